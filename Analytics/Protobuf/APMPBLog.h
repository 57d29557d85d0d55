// One console line for the message runtime's diagnostics (codec failures and
// accessor misuse); printf-style formatting.
#pragma once

#if defined(__GNUC__)
#define APMPB_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define APMPB_PRINTF_FORMAT(f, a)
#endif

void APMPBPrint(const char* format, ...) APMPB_PRINTF_FORMAT(1, 2);
