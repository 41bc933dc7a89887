#include "tools/demo/verdict.hpp"

#include "platform/text.hpp"
#include "updater/drive_match.hpp"
#include "updater/exit_codes.hpp"
#include "updater/ui_texts.hpp"

namespace qz::demo {
namespace {

struct Holds {
  bool unchanged = false;  // its old firmware, and it took in nothing
  bool atTarget = false;   // the target, and it took in nothing else
  bool Neither() const { return !unchanged && !atTarget; }
};

Holds WhatItHolds(const JudgedDrive& d, const VerdictInput& in) {
  const DriveFirmware& a = d.after;
  bool acceptedOther = false;
  for (const auto& r : a.acceptedRevisions) {
    if (in.target.empty() || TrimText(r) != TrimText(in.target)) acceptedOther = true;
  }
  Holds h;
  h.unchanged = a.revision == d.before.revision && a.extension == d.before.extension && !a.pendingImage &&
                a.acceptedRevisions.empty();
  h.atTarget = !in.target.empty() && !a.pendingImage && !acceptedOther &&
               TrimText(a.revision) == TrimText(in.target) &&
               (in.targetExtension.empty() || TrimText(a.extension) == TrimText(in.targetExtension));
  return h;
}

bool EndsWith(const std::string& text, const char* tail) {
  const std::string t = tail;
  return text.size() >= t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

// Any sign that the drive took in an image during the run.
bool WasFlashed(const DriveFirmware& f) { return f.downloadSent || f.pendingImage || !f.acceptedRevisions.empty(); }

const char* Says(LastRunSays says) {
  switch (says) {
    case LastRunSays::Nothing: return "no line";
    case LastRunSays::Passed: return "passed";
    case LastRunSays::Failed: return "FAILED";
    case LastRunSays::NoneFlashed: return "no disk was flashed";
    case LastRunSays::Other: return "a line that says neither";
    case LastRunSays::NotJudged: break;
  }
  return "?";
}

std::string Runs(const DriveFirmware& f) {
  std::string s = f.revision;
  if (!f.extension.empty() && f.extension != f.revision) s += " (" + f.extension + ")";
  return s;
}

struct Judged {
  std::string line;
  bool ok = false;
};

// One drive's line: what it holds against what the release promises for it.
Judged JudgeDrive(const JudgedDrive& d, const Holds& holds, const VerdictInput& in) {
  const std::string was = Runs(d.before), is = Runs(d.after);
  const std::string pending = d.after.pendingImage ? " with an image pending" : "";
  const std::string head = d.name + ": ";
  if (!d.allowed || in.promise == Promise::Untouched) {
    if (holds.unchanged) return {head + "untouched at " + was, true};
    return {head + "TOUCHED: " +
                (d.allowed ? "nothing was to be updated" : "not the staged drive's model or package") +
                ", yet it went from " + was + " to " + is + pending,
            false};
  }
  if (holds.Neither()) {
    return {head + "HALF-WRITTEN OR UNKNOWN IMAGE: runs " + is + pending + ", neither its old " + was +
                " nor the target " + (in.target.empty() ? "(none)" : in.target),
            false};
  }
  if (holds.atTarget) return {head + "reached the target: " + was + " -> " + is, true};
  if (in.promise == Promise::KeepWhole) return {head + "kept its old firmware whole at " + was, true};
  return {head + "LEFT AT " + is + ", the target is " + in.target, false};
}

// The later start's line, judged against what the drives hold.
Judged JudgeLastRun(const VerdictInput& in, bool targetReached) {
  bool flashed = false;
  for (const auto& d : in.drives) flashed = flashed || WasFlashed(d.after);
  const LastRunSays due = !flashed ? LastRunSays::NoneFlashed : targetReached ? LastRunSays::Passed : LastRunSays::Failed;
  if (in.lastRun == due || (due == LastRunSays::NoneFlashed && in.lastRun == LastRunSays::Nothing)) {
    return {std::string("the later start's last-run line: ") + Says(in.lastRun), true};
  }
  return {std::string("LAST-RUN LINE WRONG: the later start says ") + Says(in.lastRun) +
              (!flashed         ? ", yet no drive was flashed in this run"
               : targetReached ? ", yet the flashed drives reached the target"
                                : ", yet a flashed drive did not reach the target"),
          false};
}

}  // namespace

bool RestartChangedNothing(const MachineState& before, const MachineState& after) {
  if (before.drives.size() != after.drives.size()) return false;
  for (std::size_t i = 0; i < before.drives.size(); ++i) {
    const DriveFirmware& was = before.drives[i];
    const DriveFirmware& now = after.drives[i];
    if (now.revision != was.revision || now.extension != was.extension || now.pendingImage != was.pendingImage ||
        now.acceptedRevisions != was.acceptedRevisions) {
      return false;
    }
  }
  return after.bootExecute == before.bootExecute && after.fwBins == before.fwBins && after.restarts == before.restarts;
}

PromiseOfRun PromiseOf(const PromiseFacts& f) {
  if (f.fault) return {Promise::KeepWhole, "a fault struck: every drive ends at the target or keeps its old firmware whole"};
  if (f.lowBatteryRefused) {
    return {Promise::Untouched, "the battery is low and the release checks it: nothing is to change"};
  }
  if (f.commandLineRefused) return {Promise::Untouched, "the command line was refused: nothing is to change"};
  if (!f.anyEligible && f.anyUnreachable) {
    return {Promise::Untouched,
            "the release's drive can't be reached through its controller's driver: nothing is to "
            "change, and the updater says so and ends with exit code 1603"};
  }
  if (f.xpBeforeSp2) {
    return {Promise::Untouched,
            "32-bit Windows XP before Service Pack 2 has no ATA pass-through for the flasher at boot: "
            "the update is refused and nothing is to change"};
  }
  if (!f.anyEligible) {
    return {Promise::Untouched, "no drive of this machine that answers is eligible: nothing is to change"};
  }
  return {Promise::Update, "every drive the flasher may flash ends at the target"};
}

LastRunSays LastRunOf(const std::string& line) {
  namespace en = texts::en;
  namespace zh = texts::big5;
  if (line.empty()) return LastRunSays::Nothing;
  if (EndsWith(line, en::kLastRunPassed) || EndsWith(line, zh::kLastRunPassed)) return LastRunSays::Passed;
  if (EndsWith(line, en::kLastRunFailed) || EndsWith(line, zh::kLastRunFailed)) return LastRunSays::Failed;
  if (EndsWith(line, en::kLastRunNoneFlashed) || EndsWith(line, zh::kLastRunNoneFlashed)) {
    return LastRunSays::NoneFlashed;
  }
  return LastRunSays::Other;
}

Verdict JudgeRun(const VerdictInput& in) {
  Verdict v;
  v.pass = true;
  auto record = [&](const Judged& j) {
    if (!j.ok) {
      v.pass = false;
      v.failures.push_back(j.line);
    }
    v.lines.push_back(j.line);
  };
  bool anyAllowed = false, allAtTarget = true;
  for (const auto& d : in.drives) {
    const Holds holds = WhatItHolds(d, in);
    anyAllowed = anyAllowed || d.allowed;
    if (d.allowed && !holds.atTarget) allAtTarget = false;
    if (d.allowed && in.promise != Promise::Untouched && holds.Neither()) v.halfWritten = true;
    record(JudgeDrive(d, holds, in));
  }
  v.targetReached = anyAllowed && allAtTarget;
  if (in.lastRun != LastRunSays::NotJudged) record(JudgeLastRun(in, v.targetReached));
  if (in.promise == Promise::Update && !anyAllowed) {
    record({"no drive of this machine was staged for: the release promised an update of " +
                (in.target.empty() ? std::string("an eligible drive") : "a drive to " + in.target),
            false});
  }
  if (in.bootExecuteAfter != in.bootExecuteBefore) {
    std::string line = "BootExecute left as";
    for (const auto& e : in.bootExecuteAfter) line += " \"" + e + "\"";
    record({line + ": every start of Windows runs it", false});
  }
  if (in.unreachableDriveDue && (!in.endedAtUnreachableDrive || in.updaterExitCode != exit_code::kFailure)) {
    record({"the updater ended with \"" + in.updaterEnd + "\" and exit code " + std::to_string(in.updaterExitCode) +
                ", not at the box naming the drive it can't reach with exit code 1603",
            false});
  }
  return v;
}

}  // namespace qz::demo
