// The POSIX regular-expression functions and the Regex_T wrapper that Velcore exports. Nothing in
// the product calls them; they stay part of the library's interface. The engine is TRE, whose
// header maps the POSIX names onto its own: the exports carry the plain names.
#include <regex.h>

#undef regcomp
#undef regexec
#undef regerror
#undef regfree

#include "velcore/protocol/Regex_win32.h"

extern "C" {

__declspec(dllexport) int regcomp(regex_t* pattern, const char* text, int flags) {
    return tre_regcomp(pattern, text, flags);
}

__declspec(dllexport) int regexec(const regex_t* pattern, const char* subject, size_t count, regmatch_t* matches,
                                  int flags) {
    return tre_regexec(pattern, subject, count, matches, flags);
}

__declspec(dllexport) size_t regerror(int code, const regex_t* pattern, char* buffer, size_t size) {
    return tre_regerror(code, pattern, buffer, size);
}

__declspec(dllexport) void regfree(regex_t* pattern) { tre_regfree(pattern); }

}  // extern "C"

int Regex_T::regcomp(const char* text, int flags) { return ::regcomp(this, text, flags); }

size_t Regex_T::regerror(int code, char* buffer, size_t size) { return ::regerror(code, this, buffer, size); }

int Regex_T::regexec(const char* subject, size_t count, regmatch_t* matches, int flags) {
    return ::regexec(this, subject, count, matches, flags);
}
