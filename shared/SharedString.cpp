#include "shared/SharedString.h"

#include "shared/ProcessHeap.h"

#include <atomic>
#include <cstring>
#include <new>

namespace velor {
namespace {

struct Header {
    std::atomic<std::int32_t> refs;  // kImmortal for the static empty text
    std::uint32_t length;
};

constexpr std::int32_t kImmortal = -1;

// The empty text that is used when no block can be had, and by default construction, so that
// building an AccountSettings never allocates and never fails.
struct EmptyBlock {
    Header header{{kImmortal}, 0};
    char chars[1] = {'\0'};
};
EmptyBlock g_empty;

Header* headerOf(char* chars) noexcept {
    return reinterpret_cast<Header*>(chars - sizeof(Header));
}

char* makeBlock(const char* text, std::size_t length) {
    if (length == 0) return g_empty.chars;
    if (length > UINT32_MAX - sizeof(Header) - 1) throw std::bad_alloc();
    void* block = ProcessHeapAlloc(sizeof(Header) + length + 1);
    if (!block) throw std::bad_alloc();
    auto* header = new (block) Header{{1}, static_cast<std::uint32_t>(length)};
    char* chars = reinterpret_cast<char*>(header + 1);
    std::memcpy(chars, text, length);
    chars[length] = '\0';
    return chars;
}

}  // namespace

static_assert(sizeof(Header) == 8, "the characters follow an 8-byte header in both modules");

SharedString::SharedString() noexcept : chars_(g_empty.chars) {}

SharedString::SharedString(const char* text)
    : chars_(makeBlock(text ? text : "", text ? std::strlen(text) : 0)) {}

SharedString::SharedString(const char* text, std::size_t length) : chars_(makeBlock(text, length)) {}

SharedString::SharedString(std::string_view text) : chars_(makeBlock(text.data(), text.size())) {}

SharedString::SharedString(const SharedString& other) noexcept : chars_(other.chars_) {
    Header* h = headerOf(chars_);
    if (h->refs.load(std::memory_order_relaxed) != kImmortal) h->refs.fetch_add(1, std::memory_order_relaxed);
}

SharedString::SharedString(SharedString&& other) noexcept : chars_(other.chars_) {
    other.chars_ = g_empty.chars;
}

SharedString& SharedString::operator=(const SharedString& other) noexcept {
    if (this != &other) {
        SharedString copy(other);
        std::swap(chars_, copy.chars_);
    }
    return *this;
}

SharedString& SharedString::operator=(SharedString&& other) noexcept {
    if (this != &other) {
        release();
        chars_ = other.chars_;
        other.chars_ = g_empty.chars;
    }
    return *this;
}

SharedString::~SharedString() { release(); }

void SharedString::release() noexcept {
    Header* h = headerOf(chars_);
    if (h->refs.load(std::memory_order_relaxed) == kImmortal) return;
    if (h->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        h->~Header();
        ProcessHeapFree(h);
    }
    chars_ = g_empty.chars;
}

std::size_t SharedString::size() const noexcept { return headerOf(chars_)->length; }

long SharedString::useCount() const noexcept {
    std::int32_t refs = headerOf(chars_)->refs.load(std::memory_order_relaxed);
    return refs == kImmortal ? 0 : refs;
}

}  // namespace velor
