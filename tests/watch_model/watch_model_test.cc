// The lag watch against a model: seeded random event streams drive the
// loaded plug-in through the host boundary (RecordingHost), and every
// record it sends back is compared with what a small model of the
// documented behaviour expects (README, docs/features.md, the operator's
// guide): ordered checks with their queue and answertimeout, live switches
// ("!lagwatch -i=0" drops the checks waiting, tells their askers and gives
// back their countdowns; "!lagwatch -i=N" and a reload that turns ordered
// checks on adopt every check whose "*lag" went out unanswered, and
// nothing else), checks without the queue with their one pending name,
// players who arrive, leave and change ships, names that differ only in
// letter case, checks from every access level, answers that come late,
// never or out of order, Ticks, reloads and arena moves.
//
// The model is written from the documents, not from the code. Streams keep
// automatic checks out of it (grace is longer than any stream) and strikes
// at 1; the model knows the two rules where the documents leave a choice:
// a reload drops the checks out and waiting without a word and gives no
// countdown back, and an arena move forgets the checks asked without the
// queue.
//
// `make test` runs 200 streams of 400 events (seconds natively). A longer run:
//   tarvok_watch_model_test --streams=20000 [--seed=FIRST]
// or TARVOK_WATCH_MODEL_STREAMS=20000 in the environment. The first stream
// that disagrees is printed with its events, seed and configuration.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "host/event_makers.h"
#include "recording_host.h"
#include "temp_folder.h"

namespace {

constexpr int kLimit = 300;  // the default ping limits
constexpr int kAnswerTimeoutChoices[] = {1, 2, 3};
const char* const kNames[] = {"Ann", "ann", "ANN", "Bob", "bob", "Cy", ""};
const char* const kTyped[] = {"Ann", "ann", "bob", "BOB", "Cy", "cy", "Dee"};

bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

struct Figures {
  int current;
  int average;
  std::string line() const {
    return "PING Current:" + std::to_string(current) + " ms  Average:" +
           std::to_string(average) + " ms  Low:50 ms  High:" +
           std::to_string(current + 50) +
           " ms  S2C: 0.0%  C2S: 0.0%  S2CWeapons: 0.0%";
  }
  std::string report(const std::string& name) const {
    return "[" + name + "]  C: " + std::to_string(current) +
           "  Avg: " + std::to_string(average) + "  L: 50  H: " +
           std::to_string(current + 50) + "  S2C: 0.0  C2S: 0.0  S2CW: 0.0";
  }
};

// A player as the host and the model see them; records live to the end of
// the stream, so no two players ever share an address.
struct Person {
  Player* record;
  std::uint16_t ident;
  std::string name;
  std::uint32_t level;
  bool listed;
  Figures figures;
};

struct Settings {
  int display;
  int deal;
  int maxCheckRate;
  int answerTimeout;
  bool autocheck;  // in the first file
  bool queue;      // queue=1 in the first file
};

// What a file read at a reload says of ordered checks: -1 the key is not
// in it, else its value.
struct OrderingKeys {
  int queue;
  int autocheck;
};

// A check as the model keeps it: the name typed, the asker's name, the
// player asked (by ident; 0 once they left), the ident whose countdown its
// "!lagcheck" started (0: none).
struct Check {
  std::string typed;
  std::string asker;
  std::uint16_t target;
  std::uint16_t countdownOf;
  int waited = 0;
  bool ofArenaLeft = false;  // its answer, if it comes, is discarded
};

class Model {
 public:
  Model(const Settings& settings, std::vector<Person>* people)
      : s_(settings),
        people_(people),
        queueKey_(settings.queue),
        autocheck_(settings.autocheck),
        ordered_(settings.queue || settings.autocheck) {}

  std::vector<std::string> out;

  void tick() {
    for (Person& p : *people_) {
      if (!p.listed) continue;
      auto tag = tags_.find(p.ident);
      if (tag == tags_.end()) {
        tags_[p.ident] = -1;
      } else {
        --tag->second;
      }
    }
    if (!out_.empty() && ++out_.front().waited >= s_.answerTimeout) {
      if (!out_.front().ofArenaLeft) {
        tellByName(out_.front().asker,
                   "No answer came for the lag check of " + out_.front().typed);
      }
      out_.pop_front();
    }
    if (out_.empty()) sendNext();
  }

  void lagCheck(const Person& caller, const std::string& typed) {
    auto tag = tags_.find(caller.ident);
    if (caller.level == 0 && (tag == tags_.end() || tag->second >= 0)) {
      privateTo(caller.ident, "Lag time limit exceeded.");
      return;
    }
    tags_[caller.ident] = s_.maxCheckRate;
    privateTo(caller.ident, "Checking player's lag");
    if (!ordered_) {
      target_ = typed;
      requester_ = caller.name;
    }
    for (const Person& p : *people_) {
      if (!p.listed || !sameName(p.name, typed)) continue;
      privateTo(p.ident, caller.name + " has requested to check your lag");
      const Check check{typed, caller.name, p.ident, caller.ident};
      if (ordered_) {
        waiting_.push_back(check);
        if (out_.empty()) sendNext();
      } else {
        privateTo(p.ident, "*lag");
        unordered_.push_back(check);
      }
    }
  }

  void lagMe(const Person& caller) {
    const Check check{caller.name, caller.name, caller.ident, 0};
    if (ordered_) {
      waiting_.push_back(check);
      if (out_.empty()) sendNext();
    } else {
      requester_ = target_ = caller.name;
      privateTo(caller.ident, "*lag");
      unordered_.push_back(check);
    }
    privateTo(caller.ident, "Checking your lag.");
  }

  void lagLimits(const Person& caller) {
    privateTo(caller.ident,
              "limits  C: 300  AVG: 300  S2C: 2  C2S: 2  S2CWeapons: 2");
    auto tag = tags_.find(caller.ident);
    if (tag != tags_.end() && tag->second >= 1) {
      privateTo(caller.ident,
                "You are currently over the set time limits.  Time until "
                "next check: " +
                    std::to_string(tag->second / 60) + " minutes and " +
                    std::to_string(tag->second % 60) + " seconds.");
    }
  }

  void answer(const Figures& figures) {
    if (!out_.empty()) {
      const Check check = out_.front();
      out_.pop_front();
      if (!check.ofArenaLeft) {
        report(check.typed, check.asker, figures, false, check.target);
      }
      if (out_.empty()) sendNext();
      return;
    }
    if (ordered_) return;  // a line nobody asked for
    report(target_, requester_, figures, true, 0);
    target_.clear();
    requester_.clear();
    if (!unordered_.empty()) unordered_.pop_front();
  }

  // "!lagwatch -i=N": automatic checks, and with them ordered checks.
  void setInterval(bool on) {
    autocheck_ = on;
    switchOrdered(queueKey_ || autocheck_);
  }

  void switchOrdered(bool on) {
    if (on == ordered_) return;
    ordered_ = on;
    if (!on) {
      for (const Check& check : waiting_) {
        tellByName(check.asker, "The lag check of " + check.typed +
                                    " was dropped: checks no longer wait "
                                    "their turn");
        const bool outIsTheirs =
            !out_.empty() && out_.front().countdownOf == check.countdownOf;
        auto tag = tags_.find(check.countdownOf);
        if (check.countdownOf != 0 && !outIsTheirs && tag != tags_.end() &&
            tag->second >= 0) {
          tag->second = -1;
        }
      }
      waiting_.clear();
      return;
    }
    for (const Check& check : unordered_) out_.push_back(check);
    unordered_.clear();
    target_.clear();
    requester_.clear();
    if (out_.empty()) sendNext();
  }

  // A reload drops the checks out and waiting without a word; a key left
  // out of the file keeps its value.
  void reload(const OrderingKeys& keys) {
    out.push_back("echo: DLL plugin connected.");
    out_.clear();
    waiting_.clear();
    if (keys.queue >= 0) queueKey_ = keys.queue != 0;
    if (keys.autocheck >= 0) autocheck_ = keys.autocheck != 0;
    switchOrdered(queueKey_ || autocheck_);
  }

  void leave(std::uint16_t ident) {
    tags_.erase(ident);
    std::deque<Check> kept;
    for (const Check& check : waiting_) {
      if (check.target != ident) kept.push_back(check);
    }
    waiting_.swap(kept);
    for (std::deque<Check>* checks : {&out_, &unordered_}) {
      for (Check& check : *checks) {
        if (check.target == ident) check.target = 0;
      }
    }
    for (std::deque<Check>* checks : {&out_, &waiting_, &unordered_}) {
      for (Check& check : *checks) {
        if (check.countdownOf == ident) check.countdownOf = 0;
      }
    }
  }

  // The bot leaves its arena: every countdown goes, and the checks waiting
  // or asked without the queue; the answers of the queries out belong to
  // the arena left and are taken for no check of the next.
  void leaveArena() {
    tags_.clear();
    waiting_.clear();
    unordered_.clear();
    for (Check& check : out_) {
      check.ofArenaLeft = true;
      check.target = 0;
      check.countdownOf = 0;
    }
  }

 private:
  const Person* listed(std::uint16_t ident) const {
    for (const Person& p : *people_) {
      if (p.listed && p.ident == ident) return &p;
    }
    return nullptr;
  }
  void privateTo(std::uint16_t ident, const std::string& text) {
    out.push_back("private to " + std::to_string(ident) + ": " + text);
  }
  void tellByName(const std::string& name, const std::string& text) {
    for (const Person& p : *people_) {
      if (p.listed && sameName(p.name, name)) privateTo(p.ident, text);
    }
  }
  void sendNext() {
    if (!ordered_ || waiting_.empty()) return;
    out_.push_back(waiting_.front());
    waiting_.pop_front();
    privateTo(out_.back().target, "*lag");
  }
  // Reported under `name`, to the arena or the asker; without the queue
  // every listed player of that name is dealt with, with it only `judged`.
  void report(const std::string& name, const std::string& asker,
              const Figures& f, bool byName, std::uint16_t judged) {
    if (s_.display == 1) {
      out.push_back("public: *arena " + f.report(name));
    } else {
      tellByName(asker, f.report(name));
    }
    bool lagger = false;
    if (s_.deal != 0 && f.current >= kLimit) {
      out.push_back("public: *arena" + name + " is lagging with 300+ PING Current");
      lagger = true;
    }
    if (s_.deal != 0 && f.average >= kLimit) {
      out.push_back("public: *arena" + name + " is lagging with 300+ PING Average");
      lagger = true;
    }
    if (!lagger || s_.deal < 2) return;
    for (const Person& p : *people_) {
      if (!p.listed) continue;
      if (byName ? !sameName(p.name, name) : p.ident != judged) continue;
      if (s_.deal == 2) {
        privateTo(p.ident, "*warn Warned");
      } else {
        privateTo(p.ident, "*warn Locked");
        if (p.record->ship != 8) privateTo(p.ident, "*spec");
      }
    }
  }

  Settings s_;
  std::vector<Person>* people_;
  bool queueKey_;
  bool autocheck_;
  bool ordered_;
  std::map<std::uint16_t, int> tags_;
  std::string target_, requester_;  // the one pending check without the queue
  std::deque<Check> out_;        // queries out, the first awaited now
  std::deque<Check> waiting_;    // ordered checks not yet asked
  std::deque<Check> unordered_;  // "*lag"s out without the queue
};

// The zone server: answers each "*lag" with the player's figures, late,
// never, or out of order.
struct Zone {
  std::vector<Figures> due;
};

class Stream {
 public:
  explicit Stream(std::uint32_t seed) : random_(seed) {
    settings_.display = pick(2) + 1;
    settings_.deal = pick(4);
    settings_.maxCheckRate = std::vector<int>{0, 4, 10, 30}[pick(4)];
    settings_.answerTimeout = kAnswerTimeoutChoices[pick(3)];
    settings_.autocheck = pick(2) == 1;
    settings_.queue = pick(4) == 0;
    model_ = std::make_unique<Model>(settings_, &people_);
  }

  // Runs the stream; returns "" or what disagreed, with the events so far.
  std::string run(int events) {
    TempFolder folder;
    folder.write("tarvok.ini",
                 file({settings_.queue ? 1 : -1, settings_.autocheck ? 1 : -1}));
    RecordingHost host;
    if (!host.load()) return "load: " + host.error();
    host_ = &host;
    arrive("Sam", 3, 8);
    for (int i = 0; i < 3; ++i) arriveAny();
    host.init(1);
    model_->out.push_back("echo: DLL plugin connected.");
    if (!compare("init")) return failure_;
    for (int i = 0; i < events; ++i) {
      if (!step(folder)) return failure_;
    }
    if (!host.malformed().empty()) return "malformed: " + host.malformed()[0];
    return "";
  }

 private:
  int pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

  std::string file(const OrderingKeys& keys) const {
    std::string text = "grace=100000\r\nWarnMessage=Warned\r\nLockMessage=Locked\r\n";
    text += "display=" + std::to_string(settings_.display) + "\r\n";
    text += "deal=" + std::to_string(settings_.deal) + "\r\n";
    text += "maxcheckrate=" + std::to_string(settings_.maxCheckRate) + "\r\n";
    text += "answertimeout=" + std::to_string(settings_.answerTimeout) + "\r\n";
    if (keys.queue >= 0) text += "queue=" + std::to_string(keys.queue) + "\r\n";
    if (keys.autocheck >= 0) {
      text += "autocheck=" + std::to_string(keys.autocheck * 30) + "\r\n";
    }
    return text;
  }

  void arrive(const char* name, std::uint32_t level, std::uint8_t ship) {
    const std::uint16_t ident = static_cast<std::uint16_t>(people_.size() + 1);
    // Figures of their own, about a third over the limits.
    const int current = 100 + (ident * 97) % 320;
    people_.push_back(Person{host_->addPlayer(name, ident, level, ship), ident,
                             name, level, true, {current, current - 15}});
  }
  void arriveAny() {
    const std::uint32_t levels[] = {0, 0, 0, 1, 2, 3};
    arrive(kNames[pick(7)], levels[pick(6)], static_cast<std::uint8_t>(pick(9)));
  }
  Person* anyListed(bool staffToo) {
    std::vector<Person*> listed;
    for (Person& p : people_) {
      if (p.listed && (staffToo || p.ident != 1)) listed.push_back(&p);
    }
    return listed.empty() ? nullptr : listed[pick(static_cast<int>(listed.size()))];
  }

  bool step(TempFolder& folder) {
    std::string event;
    const int what = pick(100);
    if (what < 22) {
      host_->tick(1);
      model_->tick();
      event = "tick";
    } else if (what < 40) {
      Person* caller = anyListed(true);
      const std::string typed = kTyped[pick(7)];
      host_->command(1, caller->record, ("lagcheck " + typed).c_str());
      model_->lagCheck(*caller, typed);
      event = caller->name + "(" + std::to_string(caller->ident) + ", level " +
              std::to_string(caller->level) + "): !lagcheck " + typed;
    } else if (what < 45) {
      Person* caller = anyListed(true);
      host_->command(1, caller->record, "lagme");
      model_->lagMe(*caller);
      event = caller->name + "(" + std::to_string(caller->ident) + "): !lagme";
    } else if (what < 48) {
      Person* caller = anyListed(false);
      if (caller == nullptr || caller->level != 0) return true;
      host_->command(1, caller->record, "laglimits");
      model_->lagLimits(*caller);
      event = caller->name + "(" + std::to_string(caller->ident) + "): !laglimits";
    } else if (what < 56) {
      const bool on = pick(2) == 1;
      host_->command(1, people_[0].record, on ? "lagwatch -i=30" : "lagwatch -i=0");
      model_->out.push_back("private to 1: Lag watch interval set");
      model_->setInterval(on);
      event = on ? "Sam: !lagwatch -i=30" : "Sam: !lagwatch -i=0";
    } else if (what < 78) {
      if (zone_.due.empty()) return true;
      // Mostly the oldest answer; sometimes a later one overtakes it, and
      // some are never sent.
      std::size_t which = pick(3) == 0 ? static_cast<std::size_t>(pick(static_cast<int>(zone_.due.size()))) : 0;
      const Figures figures = zone_.due[which];
      zone_.due.erase(zone_.due.begin() + static_cast<std::ptrdiff_t>(which));
      if (pick(8) == 0) return true;
      host_->chat(1, 0, figures.line().c_str());
      model_->answer(figures);
      event = "zone: " + figures.line();
    } else if (what < 84) {
      if (people_.size() >= 12) return true;
      arriveAny();
      const Person& p = people_.back();
      host_->send(1, makePlayerEntering(p.record));
      event = "arrives: \"" + p.name + "\" ident " + std::to_string(p.ident) +
              " level " + std::to_string(p.level) + " ship " +
              std::to_string(p.record->ship);
    } else if (what < 89) {
      Person* p = anyListed(false);
      if (p == nullptr) return true;
      host_->removePlayer(p->record);
      p->listed = false;
      host_->send(1, makePlayerLeaving(p->record));
      model_->leave(p->ident);
      event = "leaves: " + p->name + "(" + std::to_string(p->ident) + ")";
    } else if (what < 94) {
      Person* p = anyListed(false);
      if (p == nullptr) return true;
      const std::uint32_t old = p->record->ship;
      p->record->ship = static_cast<std::uint8_t>(pick(9));
      host_->send(1, makePlayerShip(p->record, old, 0));
      event = p->name + "(" + std::to_string(p->ident) + ") to ship " +
              std::to_string(p->record->ship);
    } else if (what < 95) {
      // A reload, mostly of a file that changes nothing of the queue.
      const OrderingKeys keys{pick(4) == 0 ? pick(2) : -1,
                              pick(2) == 0 ? pick(2) : -1};
      folder.write("tarvok.ini", file(keys));
      host_->init(1);
      model_->reload(keys);
      event = "reload with queue=" + std::to_string(keys.queue) +
              " autocheck=" + std::to_string(keys.autocheck) + " (-1: none)";
    } else if (what < 97) {
      // The bot moves to another arena; of the players only Sam follows it.
      host_->send(1, makeArenaLeave());
      model_->leaveArena();
      for (Person& p : people_) {
        if (!p.listed || p.ident == 1) continue;
        host_->removePlayer(p.record);
        p.listed = false;
      }
      host_->send(1, makeArenaEnter("next", nullptr, 0));
      event = "the bot leaves its arena and enters another";
    } else {
      return true;
    }
    return compare(event);
  }

  // Compares what the plug-in sent with the model; the zone hears every
  // "*lag" that went out.
  bool compare(const std::string& event) {
    const std::vector<std::string> got = host_->takeDescribed();
    for (const std::string& line : got) {
      const std::string lag = ": *lag";
      if (line.size() > lag.size() &&
          line.compare(line.size() - lag.size(), lag.size(), lag) == 0) {
        const int ident = std::atoi(line.c_str() + std::strlen("private to "));
        if (ident >= 1 && ident <= static_cast<int>(people_.size())) {
          zone_.due.push_back(people_[static_cast<std::size_t>(ident - 1)].figures);
        }
      }
    }
    trace_ += event + "\n";
    if (got == model_->out) {
      for (const std::string& line : got) trace_ += "    " + line + "\n";
      model_->out.clear();
      return true;
    }
    failure_ = "display=" + std::to_string(settings_.display) +
               " deal=" + std::to_string(settings_.deal) +
               " maxcheckrate=" + std::to_string(settings_.maxCheckRate) +
               " answertimeout=" + std::to_string(settings_.answerTimeout) +
               (settings_.autocheck ? " autocheck=30" : "") +
               (settings_.queue ? " queue=1" : "") + "\n" + trace_ +
               "  the plug-in sent:\n";
    for (const std::string& line : got) failure_ += "    " + line + "\n";
    failure_ += "  the model expected:\n";
    for (const std::string& line : model_->out) failure_ += "    " + line + "\n";
    return false;
  }

  std::mt19937 random_;
  Settings settings_{};
  std::vector<Person> people_;
  std::unique_ptr<Model> model_;
  RecordingHost* host_ = nullptr;
  Zone zone_;
  std::string trace_;
  std::string failure_;
};

long numberAfter(const char* argument, const char* prefix, long otherwise) {
  const std::size_t length = std::strlen(prefix);
  if (std::strncmp(argument, prefix, length) != 0) return otherwise;
  return std::strtol(argument + length, nullptr, 10);
}

}  // namespace

int main(int argc, char** argv) {
  long streams = 200;
  long seed = 1;
  if (const char* fromEnvironment = std::getenv("TARVOK_WATCH_MODEL_STREAMS")) {
    streams = std::strtol(fromEnvironment, nullptr, 10);
  }
  for (int i = 1; i < argc; ++i) {
    streams = numberAfter(argv[i], "--streams=", streams);
    seed = numberAfter(argv[i], "--seed=", seed);
  }
  long disagreeing = 0;
  std::string first;
  long firstSeed = 0;
  for (long i = 0; i < streams; ++i) {
    Stream stream(static_cast<std::uint32_t>(seed + i));
    const std::string failure = stream.run(400);
    if (failure.empty()) continue;
    if (disagreeing++ == 0) {
      first = failure;
      firstSeed = seed + i;
    }
  }
  if (disagreeing > 0) {
    std::printf("seed %ld: %s\n", firstSeed, first.c_str());
  }
  std::printf("%ld of %ld streams disagree with the model\n", disagreeing,
              streams);
  return disagreeing == 0 ? 0 : 1;
}
