// The suite that validates broken documents by the thousand needs full stacks on allocation, so that the
// leak suppression can name the function that called libxml2 (Debian's libxml2 has no frame pointers and
// the fast unwinder stops inside it). It is ten times slower, so only this program asks for it.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
  return "fast_unwind_on_malloc=0";
}
#endif
