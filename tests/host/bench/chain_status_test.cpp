#include "chain_status.h"

#include <gtest/gtest.h>

namespace host {
namespace {

TEST(ChainStatus, ReadsTheFaultsOfTheChainedPlugin) {
  ChainStatus status;
  status.file = "cablog.chain.txt";
  for (const char* line : {"cablog chained the train's plug-in.", "module:  /trains/ats.so",
                           "faults:  3; first: Elapse at frame 60, 1.000 s, location 12.5 m: "
                           "C++ exception: the limit table is empty"}) {
    readStatusLine(line, status);
  }
  EXPECT_EQ(status.module, "/trains/ats.so");
  EXPECT_EQ(status.faults, 3);
  EXPECT_EQ(
      status.firstFault,
      "Elapse at frame 60, 1.000 s, location 12.5 m: C++ exception: the limit table is empty");
  const std::string report = faultReport(status);
  EXPECT_NE(report.find("faulted: /trains/ats.so\n  first:  Elapse at frame 60"), std::string::npos)
      << report;
  EXPECT_NE(report.find("faults: 3 calls failed; on each frame whose Elapse failed cablog "
                        "applied the emergency brake (cablog.chain.txt)"),
            std::string::npos)
      << report;

  ChainStatus clean;
  readStatusLine("faults: 0", clean);
  readStatusLine("modules: other", clean);
  EXPECT_EQ(clean.faults, 0);
  EXPECT_TRUE(clean.module.empty());
  EXPECT_TRUE(faultReport(clean).empty());
}

}  // namespace
}  // namespace host
