/* Entry of the data DLLs of the host tests: they carry only resources. */
int __stdcall DllMainCRTStartup(void* module, unsigned reason, void* reserved) {
  (void)module; (void)reason; (void)reserved;
  return 1;
}
