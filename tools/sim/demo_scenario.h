// The scenario that tarvok-sim runs when it is given none: one whole story
// of a lag-check bot in a small arena.
#ifndef TARVOK_TOOLS_SIM_DEMO_SCENARIO_H_
#define TARVOK_TOOLS_SIM_DEMO_SCENARIO_H_

extern const char kDemoScenario[];

#endif  // TARVOK_TOOLS_SIM_DEMO_SCENARIO_H_
