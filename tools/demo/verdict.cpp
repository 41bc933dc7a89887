#include "tools/demo/verdict.hpp"

#include "platform/text.hpp"
#include "updater/drive_match.hpp"
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

}  // namespace

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
  bool anyAllowed = false, allAtTarget = true;
  for (const auto& d : in.drives) {
    const Holds holds = WhatItHolds(d, in);
    const std::string was = Runs(d.before), is = Runs(d.after);
    std::string line = d.name + ": ";
    bool ok = false;
    anyAllowed = anyAllowed || d.allowed;
    if (d.allowed && !holds.atTarget) allAtTarget = false;
    const std::string pending = d.after.pendingImage ? " with an image pending" : "";
    if (!d.allowed || in.promise == Promise::Untouched) {
      ok = holds.unchanged;
      line += ok ? "untouched at " + was
                 : "TOUCHED: " + std::string(d.allowed ? "nothing was to be updated" : "not the staged drive's model or package") +
                       ", yet it went from " + was + " to " + is + pending;
    } else if (holds.Neither()) {
      v.halfWritten = true;
      line += "HALF-WRITTEN OR UNKNOWN IMAGE: runs " + is + pending + ", neither its old " + was + " nor the target " +
              (in.target.empty() ? "(none)" : in.target);
    } else {
      if (holds.atTarget) {
        ok = true;
        line += "reached the target: " + was + " -> " + is;
      } else if (in.promise == Promise::KeepWhole) {
        ok = true;
        line += "kept its old firmware whole at " + was;
      } else {
        line += "LEFT AT " + is + ", the target is " + in.target;
      }
    }
    if (!ok) {
      v.pass = false;
      v.failures.push_back(line);
    }
    v.lines.push_back(line);
  }
  v.targetReached = anyAllowed && allAtTarget;
  if (in.lastRun != LastRunSays::NotJudged) {
    bool flashed = false;
    for (const auto& d : in.drives) flashed = flashed || WasFlashed(d.after);
    const LastRunSays due = !flashed ? LastRunSays::NoneFlashed
                            : v.targetReached ? LastRunSays::Passed
                                              : LastRunSays::Failed;
    const bool right = in.lastRun == due || (due == LastRunSays::NoneFlashed && in.lastRun == LastRunSays::Nothing);
    std::string line = std::string("the later start's last-run line: ") + Says(in.lastRun);
    if (!right) {
      line = std::string("LAST-RUN LINE WRONG: the later start says ") + Says(in.lastRun) +
             (!flashed ? ", yet no drive was flashed in this run"
              : v.targetReached ? ", yet the flashed drives reached the target"
                                : ", yet a flashed drive did not reach the target");
      v.pass = false;
      v.failures.push_back(line);
    }
    v.lines.push_back(line);
  }
  if (in.promise == Promise::Update && !anyAllowed) {
    v.pass = false;
    v.lines.push_back("no drive of this machine was staged for: the release promised an update of " +
                      (in.target.empty() ? std::string("an eligible drive") : "a drive to " + in.target));
    v.failures.push_back(v.lines.back());
  }
  return v;
}

}  // namespace qz::demo
