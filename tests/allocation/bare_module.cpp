// A module with none of a plug-in's exports, and nothing that would keep the
// system from unloading it once its last handle goes.
extern "C" int bareModuleAnswer() {
  return 42;
}
