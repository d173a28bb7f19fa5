#include "scramble.h"

#include <wchar.h>

namespace {

// Printable ASCII without the back quote, in an order of our own. Never change it: stored
// passwords depend on it.
constexpr wchar_t kAlphabet[] =
    L"%sEJpZBn3wyTbPACSLWeMv@*oI#m/$7iH+_=~|OX!<)q&Vc>l,.}8R6\"9u^:1;4kd {QKt[z(ha'jrY50fN-DGU2x?"
    L"\\]Fg";
constexpr int kAlphabetSize = 94;
static_assert(sizeof(kAlphabet) / sizeof(kAlphabet[0]) == kAlphabetSize + 1, "alphabet size");
constexpr int kStartKey = 37;

int IndexOf(wchar_t c) {
    if (c == L'\0')
        return -1;
    const wchar_t* hit = wcschr(kAlphabet, c);
    return hit ? static_cast<int>(hit - kAlphabet) : -1;
}

template <class Step> void Transform(WStringBase& out, const wchar_t* in, Step step) {
    out.Clear();
    if (!in)
        return;
    int key = kStartKey;
    for (const wchar_t* p = in; *p; ++p) {
        const int index = IndexOf(*p);
        out.PushBack(index < 0 ? *p : kAlphabet[step(index, key)]);
    }
}

} // namespace

void ScrambleString(WStringBase& out, const wchar_t* in) {
    Transform(out, in, [](int plain, int& key) {
        key = (key + plain) % kAlphabetSize;
        return key;
    });
}

void UnscrambleString(WStringBase& out, const wchar_t* in) {
    Transform(out, in, [](int scrambled, int& key) {
        const int plain = ((scrambled - key) % kAlphabetSize + kAlphabetSize) % kAlphabetSize;
        key = (key + plain) % kAlphabetSize;
        return plain;
    });
}
