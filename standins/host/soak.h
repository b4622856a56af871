#pragma once
// `pos-host run LIB SCENARIO --sales N [--seed S]`: the soak. The library is
// loaded once and serves N sales, each one the scenario's events fired on a
// new copy of its document (the invoice SID and number counted up), with a
// fault drawn at random (the seed printed, so a run can be repeated) on the
// receipt service (connections refused, 404, 500, a failing handshake, a
// stall past the client's timeout, garbage, a refusal), the host (a failing
// customer filter or invoice read) or the database (failing statements), or
// none. The cashier answers each dialog by the scenario's entry of its name.
//
// At the end: the accounting of every receipt and customer (accounting.h);
// every sale without a fault sent its receipt once; every sale's lines in
// the application log (counted); the resident memory after the last sale
// within 10 % of that after sale 100; after clean-up no thread left that the
// library started but its log writer, and none after unloading. Exit status
// 0 when all holds, 1 otherwise. The scenario's `expect` is not read.

#include <ostream>
#include <string>

#include "scenario.h"
#include "scenario_run.h"

namespace hostsim {

// The run, in a process whose executable lies in `hostFolder`. Returns the
// exit status.
int RunSoak(const Scenario& scenario, const RunOptions& options, const std::string& hostFolder,
            std::ostream& out, std::ostream& err);

}  // namespace hostsim
