#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

// Known alarms warn unless the filter silences them for all elements or for one, by substring,
// once per key; the sound is both recordings or the beep signal. Every solution is off: the
// report holds warnings only. The filter's and the sound page's own buttons.
TEST(Warnings, KnownUnfilteredAlarmsWarnOncePerKeyWithTheirSound) {
  for (const DataCase& row : DataCases("dailycheck-warnings.txt")) {
    SCOPED_TRACE(row.name);
    PageBench bench("/share",
                    "SEIZURE SUPERVISION\nEXTERNAL ALARM\nCP STATE NOT NORMAL\nSYSTEM STATE\n"
                    "../nods/BSC9\n");
    for (const char* box : {"SEQAR", "SETAR", "Near end", "Enum"}) bench.Box(box).SetChecked(false);
    bench.files.written["/sounds/nods/BSC9.wav"] = "RIFF";
    bench.files.written["/sounds/faults/EXTERNAL ALARM.wav"] = "RIFF";
    RunScript(bench, row, row);
  }
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
