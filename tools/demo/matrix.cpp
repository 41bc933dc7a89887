#include "tools/demo/matrix.hpp"

#include <chrono>
#include <cstdio>

#include <nlohmann/json.hpp>

namespace qz::demo {

std::size_t Matrix::Passed() const {
  std::size_t n = 0;
  for (const auto& r : rows) n += r.pass ? 1 : 0;
  return n;
}

MatrixRow RowOf(const std::string& machine, const std::string& fault, const DemoResult& r) {
  MatrixRow row;
  row.machine = machine;
  row.fault = fault;
  row.stagedPackage = r.stagedPackage;
  row.target = r.target;
  for (const auto& d : r.drives) row.drives.push_back({d.name, d.revisionBefore, d.revisionAfter});
  row.restarts = r.restarts;
  row.updaterExitCode = r.updaterExitCode;
  row.pass = r.verdict.pass;
  if (!r.verdict.failures.empty()) row.failure = r.verdict.failures.front();
  return row;
}

Matrix RunMatrix(const std::vector<DemoMachine>& machines, const DemoOptions& base) {
  const auto start = std::chrono::steady_clock::now();
  Matrix matrix;
  std::vector<std::string> faults = {""};
  faults.insert(faults.end(), FaultNames().begin(), FaultNames().end());
  for (const auto& machine : machines) {
    for (const auto& fault : faults) {
      DemoOptions o = base;
      o.machine = machine;
      o.fault = fault;
      o.transcript = nullptr;
      matrix.rows.push_back(RowOf(machine.name, fault, RunDemo(o)));
    }
  }
  matrix.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return matrix;
}

std::string MatrixLine(const MatrixRow& row) {
  char head[96];
  std::snprintf(head, sizeof head, "%-9s %-16s pkg %-2s", row.machine.c_str(),
                row.fault.empty() ? "no fault" : row.fault.c_str(),
                row.stagedPackage ? std::to_string(row.stagedPackage).c_str() : "-");
  std::string line = head;
  for (std::size_t i = 0; i < row.drives.size(); ++i) {
    const auto& d = row.drives[i];
    line += (i == 0 ? " " : ", ") + d.before + "->" + d.after;
  }
  line += "  restarts " + std::to_string(row.restarts) + "  " + (row.pass ? "PASS" : "FAIL");
  if (!row.pass && !row.failure.empty()) line += ": " + row.failure;
  return line;
}

std::string MatrixTotal(const Matrix& m) {
  char text[160];
  std::snprintf(text, sizeof text, "%zu runs: %zu pass, %zu fail (%.1f s)", m.rows.size(), m.Passed(),
                m.rows.size() - m.Passed(), m.seconds);
  return text;
}

std::string MatrixJson(const Matrix& m) {
  nlohmann::json runs = nlohmann::json::array();
  for (const auto& r : m.rows) {
    nlohmann::json drives = nlohmann::json::array();
    for (const auto& d : r.drives) drives.push_back({{"drive", d.name}, {"before", d.before}, {"after", d.after}});
    runs.push_back({{"machine", r.machine},
                    {"fault", r.fault.empty() ? nlohmann::json(nullptr) : nlohmann::json(r.fault)},
                    {"staged_package", r.stagedPackage ? nlohmann::json(r.stagedPackage) : nlohmann::json(nullptr)},
                    {"target", r.target},
                    {"drives", drives},
                    {"restarts", r.restarts},
                    {"updater_exit_code", r.updaterExitCode},
                    {"verdict", r.pass ? "pass" : "fail"},
                    {"failure", r.failure}});
  }
  const nlohmann::json doc = {{"runs", runs},
                              {"total", {{"runs", m.rows.size()}, {"pass", m.Passed()}, {"fail", m.rows.size() - m.Passed()}}},
                              {"seconds", m.seconds}};
  return doc.dump(2) + "\n";
}

}  // namespace qz::demo
