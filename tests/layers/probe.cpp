// Compiled as a file of one layer, it includes the one header the build
// names: that must fail to be found when the layer may not include it.
#include CABLOG_PROBE_HEADER
