#include "builtin_drive.h"

namespace host {

std::string_view builtinDrive() {
  return R"(# Built-in drive: four minutes from one platform to the next.
# The host starts with the service brake full on, the reverser in neutral
# and the starting signal at danger (aspect 0).
#
# seconds  action    values
2          doors     close
3          horn      1               # the departure whistle
5          signal    4               # the starting signal clears
6          keydown   0               # the driver acknowledges it
6.3        keyup     0
8          reverser  1
10         brake     0
10         power     1
12         power     2
14         power     3
16         power     4
19         power     5
30         beacon    0 4 1200 0      # the next signal is clear, 1200 m ahead
50         power     0               # coast
70         beacon    0 2 800 0       # the next signal shows caution, 800 m ahead
72         signal    2
72.4       keydown   1               # caution acknowledged
72.6       keyup     1
110        horn      2               # a warning before a crossing
150        beacon    1 0 400 0       # the platform's signal is at danger
150.2      signal    0
165        brake     2
167        brake     3
196        brake     2               # ease off for a smooth stop
212        brake     8               # stopped at the platform: hold the brake
218        doors     open
232        doors     close
236        reverser  0
240        end
)";
}

}  // namespace host
