// Tests that load Mesa's GL driver need the full unwinder under LeakSanitizer: the driver has
// no frame pointers, and only the deeper libGLX_mesa or libEGL_mesa frames match tests/lsan.supp.
// Settings in LSAN_OPTIONS still come on top of this.
extern "C" const char *__lsan_default_options() {
    return "fast_unwind_on_malloc=0";
}
