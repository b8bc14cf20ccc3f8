// The text type that crosses between Velhook and Velcore.
//
// A SharedString is exactly one pointer: to zero-terminated 8-bit characters in the system's
// ANSI code page. The reference count and the length sit in a small header just before the
// characters. The block comes from the process-wide heap rather than from a module's C runtime,
// because each DLL links its own runtime statically and a text made by one module is released by
// another. Texts are immutable once made; copies share the block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velor {

class SharedString {
public:
    SharedString() noexcept;
    SharedString(const char* text);  // NOLINT: implicit, texts are built from literals everywhere
    SharedString(const char* text, std::size_t length);
    explicit SharedString(std::string_view text);
    SharedString(const SharedString& other) noexcept;
    SharedString(SharedString&& other) noexcept;
    SharedString& operator=(const SharedString& other) noexcept;
    SharedString& operator=(SharedString&& other) noexcept;
    ~SharedString();

    const char* c_str() const noexcept { return chars_; }
    std::size_t size() const noexcept;
    bool empty() const noexcept { return chars_[0] == '\0'; }
    std::string_view view() const noexcept { return {chars_, size()}; }
    std::string str() const { return std::string(view()); }

    // How many SharedString objects hold this block; the shared empty text reports 0.
    long useCount() const noexcept;

    friend bool operator==(const SharedString& a, const SharedString& b) noexcept { return a.view() == b.view(); }
    friend bool operator==(const SharedString& a, std::string_view b) noexcept { return a.view() == b; }

private:
    void release() noexcept;

    char* chars_;  // must stay the first and only member: callers hold &chars_ as a char**
};

static_assert(sizeof(SharedString) == sizeof(char*), "a SharedString is its character pointer");

}  // namespace velor
