#include "encoding/icu_convert.h"

#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <array>
#include <climits>
#include <cstddef>
#include <memory>
#include <mutex>

namespace chaxun::encoding_detail {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

constexpr std::array<const char*, 3> kConverterNames = {
    "windows-936-2000",  // Charset::kGbk
    "windows-950-2000",  // Charset::kBig5
    "UTF-8",             // Charset::kUtf8
};

// Opens the converter of `charset` with the callbacks this file relies on:
// substitution towards Unicode; towards the code pages a stop at the first
// character without a representation; substitution towards UTF-8.
ConverterPtr open_converter(Charset charset) {
  UErrorCode status = U_ZERO_ERROR;
  ConverterPtr cnv(ucnv_open(kConverterNames[static_cast<std::size_t>(charset)], &status));
  if (U_FAILURE(status)) return nullptr;
  ucnv_setToUCallBack(cnv.get(), UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                      &status);
  ucnv_setFromUCallBack(cnv.get(),
                        charset == Charset::kUtf8 ? UCNV_FROM_U_CALLBACK_SUBSTITUTE
                                                  : UCNV_FROM_U_CALLBACK_STOP,
                        nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) return nullptr;
  return cnv;
}

// The calling thread's converter for `charset`, opened on first use and kept
// until the thread ends. A UConverter must not be shared between threads.
UConverter* thread_converter(Charset charset) {
  thread_local std::array<ConverterPtr, kConverterNames.size()> converters;
  ConverterPtr& slot = converters[static_cast<std::size_t>(charset)];
  if (!slot) slot = open_converter(charset);
  return slot.get();
}

// Runs one streaming ICU conversion over the whole input, growing `out` when
// the estimate was too small. `step` is ucnv_toUnicode or ucnv_fromUnicode
// bound to the converter. Stops at the first error other than a full buffer
// (with the stop callback, the first unmappable character) and keeps what was
// written before it.
template <typename Out, typename In, typename Step>
void run_conversion(Out& out, std::size_t estimate, const In* src, const In* src_end, Step step) {
  using Unit = typename Out::value_type;
  out.resize(estimate + 16);
  std::size_t used = 0;
  for (;;) {
    Unit* target = out.data() + used;
    UErrorCode status = U_ZERO_ERROR;
    step(&target, out.data() + out.size(), &src, src_end, &status);
    used = static_cast<std::size_t>(target - out.data());
    if (status != U_BUFFER_OVERFLOW_ERROR) break;
    out.resize(out.size() * 2);
  }
  out.resize(used);
}

}  // namespace

std::optional<std::u16string> decode(Charset charset, std::string_view bytes) {
  UConverter* cnv = thread_converter(charset);
  if (cnv == nullptr) return std::nullopt;
  ucnv_resetToUnicode(cnv);
  std::u16string out;
  // Every supported charset gives at most one unit per input byte.
  run_conversion(out, bytes.size(), bytes.data(), bytes.data() + bytes.size(),
                 [cnv](UChar** target, const UChar* target_end, const char** src,
                       const char* src_end, UErrorCode* status) {
                   ucnv_toUnicode(cnv, target, target_end, src, src_end, nullptr, true, status);
                 });
  return out;
}

std::optional<std::string> encode(Charset charset, std::u16string_view units) {
  UConverter* cnv = thread_converter(charset);
  if (cnv == nullptr) return std::nullopt;
  ucnv_resetFromUnicode(cnv);
  std::string out;
  const std::size_t per_unit = charset == Charset::kUtf8 ? 3 : 2;
  run_conversion(out, units.size() * per_unit, units.data(), units.data() + units.size(),
                 [cnv](char** target, const char* target_end, const UChar** src,
                       const UChar* src_end, UErrorCode* status) {
                   ucnv_fromUnicode(cnv, target, target_end, src, src_end, nullptr, true, status);
                 });
  return out;
}

namespace {

// The prototype transliterator of `script`, created once for the program;
// nullptr when ICU cannot create it. Only ever cloned, under `mutex`.
struct Prototypes {
  std::mutex mutex;
  std::array<std::unique_ptr<icu::Transliterator>, 2> by_script;

  Prototypes() {
    constexpr std::array<const char*, 2> kIds = {"Hans-Hant", "Hant-Hans"};
    for (std::size_t i = 0; i < kIds.size(); ++i) {
      UErrorCode status = U_ZERO_ERROR;
      by_script[i].reset(icu::Transliterator::createInstance(
          icu::UnicodeString(kIds[i], -1, US_INV), UTRANS_FORWARD, status));
      if (U_FAILURE(status)) by_script[i].reset();
    }
  }
};

// The calling thread's own clone of the prototype: transliterate() is const
// but ICU does not promise it is safe to call on one instance from several
// threads at once.
icu::Transliterator* thread_transliterator(Script script) {
  static Prototypes prototypes;
  thread_local std::array<std::unique_ptr<icu::Transliterator>, 2> clones;
  const auto i = static_cast<std::size_t>(script);
  if (!clones[i]) {
    std::lock_guard<std::mutex> lock(prototypes.mutex);
    if (prototypes.by_script[i]) clones[i].reset(prototypes.by_script[i]->clone());
  }
  return clones[i].get();
}

}  // namespace

std::optional<std::u16string> transliterate(Script script, std::u16string_view units) {
  if (units.size() >= static_cast<std::size_t>(INT32_MAX)) return std::nullopt;
  icu::Transliterator* t = thread_transliterator(script);
  if (t == nullptr) return std::nullopt;
  icu::UnicodeString s(units.data(), static_cast<int32_t>(units.size()));
  if (s.isBogus()) return std::nullopt;
  t->transliterate(s);
  if (s.isBogus()) return std::nullopt;
  return std::u16string(s.getBuffer(), static_cast<std::size_t>(s.length()));
}

}  // namespace chaxun::encoding_detail
