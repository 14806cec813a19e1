// Owning wrappers for Win32 handles: one template, one alias per kind of handle.
#pragma once

#include <windows.h>

#include <utility>

namespace flipdeck {

// Owns a handle described by Traits: its Type, its empty value Invalid() and Close(handle).
template <typename Traits>
class UniqueAny {
    using T = typename Traits::Type;

public:
    UniqueAny() = default;
    explicit UniqueAny(T value) : value_(value) {}
    ~UniqueAny() { reset(); }

    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Invalid(); }

    // For APIs that hand out a handle through a pointer; releases what is held first.
    T* put()
    {
        reset();
        return &value_;
    }

    T release() { return std::exchange(value_, Traits::Invalid()); }

    void reset(T value = Traits::Invalid())
    {
        if (value_ != Traits::Invalid())
            Traits::Close(value_);
        value_ = value;
    }

private:
    T value_ = Traits::Invalid();
};

namespace detail {
template <typename T, T InvalidValue = T{}>
struct NullInvalid {
    using Type = T;
    static T Invalid() { return InvalidValue; }
};
struct KeyTraits : NullInvalid<HKEY> {
    static void Close(HKEY key) { RegCloseKey(key); }
};
struct HandleTraits : NullInvalid<HANDLE> {
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct FileHandleTraits : HandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
};
struct FindTraits : FileHandleTraits {
    static void Close(HANDLE handle) { FindClose(handle); }
};
struct ModuleTraits : NullInvalid<HMODULE> {
    static void Close(HMODULE module) { FreeLibrary(module); }
};
struct LocalMemoryTraits : NullInvalid<HLOCAL> {
    static void Close(HLOCAL memory) { LocalFree(memory); }
};
struct FontTraits : NullInvalid<HFONT> {
    static void Close(HFONT font) { DeleteObject(font); }
};
struct IconTraits : NullInvalid<HICON> {
    static void Close(HICON icon) { DestroyIcon(icon); }
};
}  // namespace detail

using UniqueHKey = UniqueAny<detail::KeyTraits>;
using UniqueHandle = UniqueAny<detail::HandleTraits>;
using UniqueFileHandle = UniqueAny<detail::FileHandleTraits>;
using UniqueFind = UniqueAny<detail::FindTraits>;
using UniqueModule = UniqueAny<detail::ModuleTraits>;
using UniqueFont = UniqueAny<detail::FontTraits>;
// An icon loaded at a size of its own (not shared).
using UniqueIcon = UniqueAny<detail::IconTraits>;
// Memory the system hands out with LocalAlloc for the caller to free.
using UniqueLocalMemory = UniqueAny<detail::LocalMemoryTraits>;

// Runs a function when the scope ends, unless dismissed.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit()
    {
        if (armed_)
            f_();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F f_;
    bool armed_ = true;
};

}  // namespace flipdeck
