/* Entry points of the fake OCI clients that the tests call or observe, with
   the published signatures, and the hooks through which a test drives them. */
#include <stdio.h>
#include <string.h>

static unsigned g_initialize_mode = 0xFFFFFFFFu;
static int g_initialize_calls = 0;
static unsigned g_opinit_mode = 0xFFFFFFFFu;
static int g_opinit_calls = 0;
static int g_error_status = 0;
static int g_error_code = 0;
static char g_error_text[8192];

unsigned fakeoci_InitializeMode(void) {
  return g_initialize_mode;
}
int fakeoci_InitializeCalls(void) {
  return g_initialize_calls;
}
unsigned fakeoci_OpinitMode(void) {
  return g_opinit_mode;
}
int fakeoci_OpinitCalls(void) {
  return g_opinit_calls;
}

/* The record OCIErrorGet answers with: a status other than 0 is returned as
   is (-2 invalid handle, 100 no record). */
void fakeoci_SetError(int status, int code, const char* text) {
  g_error_status = status;
  g_error_code = code;
  strncpy(g_error_text, text, sizeof g_error_text - 1);
  g_error_text[sizeof g_error_text - 1] = '\0';
}

static void copy_text(unsigned char* buf, unsigned size, const char* text) {
  size_t n = strlen(text);
  if (size == 0) return;
  if (n > size - 1) n = size - 1;
  memcpy(buf, text, n);
  buf[n] = '\0';
}

#ifdef FAKE_HAS_OCIInitialize
int OCIInitialize(unsigned mode, void* ctxp, void* malocfp, void* ralocfp, void* mfreefp) {
  (void)ctxp;
  (void)malocfp;
  (void)ralocfp;
  (void)mfreefp;
  g_initialize_mode = mode;
  ++g_initialize_calls;
  return 0;
}
#endif

#ifdef FAKE_HAS_OCIErrorGet
int OCIErrorGet(void* hndlp, unsigned recordno, unsigned char* sqlstate, int* errcodep,
                unsigned char* bufp, unsigned bufsiz, unsigned type) {
  (void)sqlstate;
  if (hndlp == 0 || type != 2) return -2;
  if (recordno != 1) return 100;
  if (g_error_status != 0) return g_error_status;
  *errcodep = g_error_code;
  copy_text(bufp, bufsiz, g_error_text);
  return 0;
}
#endif

#ifdef FAKE_HAS_opinit
int opinit(unsigned mode) {
  g_opinit_mode = mode;
  ++g_opinit_calls;
  return 0;
}
#endif

#ifdef FAKE_HAS_oerhms
int oerhms(void* lda, short rcode, unsigned char* buf, int bufsiz) {
  char text[64];
  (void)lda;
  snprintf(text, sizeof text, "ORA-%05d: fake OCI7 text\n", rcode);
  copy_text(buf, bufsiz < 0 ? 0u : (unsigned)bufsiz, text);
  return 0;
}
#endif
