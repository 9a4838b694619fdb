// The scenario that tarvok-sim runs when it is given none: one whole story
// of a lag-check bot in a small arena. The demo is its settings (lines of
// tarvok.ini) followed by its story; a run with the operator's own
// tarvok.ini tells the story alone.
#ifndef TARVOK_TOOLS_SIM_DEMO_SCENARIO_H_
#define TARVOK_TOOLS_SIM_DEMO_SCENARIO_H_

extern const char kDemoSettings[];
extern const char kDemoStory[];

#endif  // TARVOK_TOOLS_SIM_DEMO_SCENARIO_H_
