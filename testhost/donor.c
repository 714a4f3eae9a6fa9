/* Entry of the version-donor DLLs: they carry only resources. */
int __stdcall DllMainCRTStartup(void* module, unsigned reason, void* reserved) {
  (void)module; (void)reason; (void)reserved;
  return 1;
}
