// The compiled-pattern object with its three methods, exported from Velcore (and Contave).
#pragma once

#include <regex.h>

#undef regcomp
#undef regexec
#undef regerror
#undef regfree

class __declspec(dllexport) Regex_T : public regex_t {
public:
    int regcomp(const char* pattern, int flags);
    size_t regerror(int code, char* buffer, size_t size);
    int regexec(const char* subject, size_t count, regmatch_t* matches, int flags);
};
