#pragma once
// The release over every built-in machine, with no fault and with each fault: one row a run,
// for a person (one line each and a total) and for a build pipeline (JSON).
#include <cstdint>
#include <string>
#include <vector>

#include "tools/demo/demo_run.hpp"

namespace qz::demo {

struct MatrixRow {
  std::string machine, fault;  // fault empty: none
  int stagedPackage = 0;       // counted from 1; 0: none
  std::string target;
  struct Drive {
    std::string name, before, after;
  };
  std::vector<Drive> drives;
  std::size_t restarts = 0;
  int updaterExitCode = 0;
  bool pass = false;
  std::string failure;  // the first verdict line that failed
};

struct Matrix {
  std::vector<MatrixRow> rows;
  double seconds = 0;
  std::size_t Passed() const;
};

MatrixRow RowOf(const std::string& machine, const std::string& fault, const DemoResult& result);

// Runs every machine of `machines` with no fault and with each of FaultNames().
Matrix RunMatrix(const std::vector<DemoMachine>& machines, const DemoOptions& base);

std::string MatrixLine(const MatrixRow& row);
std::string MatrixTotal(const Matrix& matrix);
std::string MatrixJson(const Matrix& matrix);

}  // namespace qz::demo
