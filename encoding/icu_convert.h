// Internal to chaxun_encoding: the ICU-backed conversions behind EncodingTools.
// No ICU type appears here; callers work in std::u16string (UTF-16 code units
// in host order) and byte strings.
//
// All functions are thread-safe: converters and transliterators are kept per
// thread. None throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace chaxun::encoding_detail {

enum class Charset {
  kGbk,   // code page 936, ICU "windows-936-2000"
  kBig5,  // code page 950, ICU "windows-950-2000"
  kUtf8,
};

// The code units of `bytes` in `charset`. Every byte is converted, zero bytes
// included (they give zero units). Invalid or truncated sequences become ICU's
// substitution character U+FFFD.
// nullopt when the converter cannot be opened.
std::optional<std::u16string> decode(Charset charset, std::string_view bytes);

// The bytes of `units` in `charset`.
//   kGbk, kBig5: conversion stops at the first character the code page cannot
//   hold (an unpaired surrogate included); the result holds what came before.
//   kUtf8: every unit is converted (a zero unit gives a zero byte), unpaired
//   surrogates become U+FFFD (EF BF BD).
// nullopt when the converter cannot be opened.
std::optional<std::string> encode(Charset charset, std::u16string_view units);

enum class Script {
  kTraditional,  // ICU "Hans-Hant"
  kSimplified,   // ICU "Hant-Hans"
};

// `units` mapped to `script`. nullopt when the transliterator cannot be
// created or the text is too long for ICU (2^31 units and more).
std::optional<std::u16string> transliterate(Script script, std::u16string_view units);

}  // namespace chaxun::encoding_detail
