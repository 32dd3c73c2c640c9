// A stand-in for a broken maker's library: no machine name, no message text,
// and no update function at all.

extern "C" __attribute__((visibility("default"))) const char* fun_GetPCName() { return nullptr; }

extern "C" __attribute__((visibility("default"))) const char* _fun_msg(const char*, const char*,
                                                                       const char*, const char*) {
  return nullptr;
}
