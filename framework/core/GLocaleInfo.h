// GLocaleInfo: the regional settings of the host (the "Intl" section of the system profile), with
// United States defaults. The UI module's services fill it from the profile; being persistent, it
// can travel inside a configuration to the render module.
//
// Stored form (after the root part), in field order:
//   u32       class version word, 1
//   11 x u32  iCountry 1, iCurrDigits 2, iCurrency 0, iDate 0, iDigits 2, iLZero 1, iMeasure 1,
//             iNegCurr 1, iTime 0, iTLZero 0, Locale 409 (the defaults)
//   12 x str  s1159 "AM", s2359 "PM", sCountry "United States", sCurrency "$", sDate "/",
//             sDecimal ".", sLanguage "ENU", sList ",", sLongDate "dddd, MMMM dd, yyyy",
//             sShortDate "M/d/yy", sThousand ",", sTime ":"
// Numbers go through Put(unsigned long) on a stream and as 4 bytes in a file; strings in the
// string forms of each carrier (in a file: a 32-bit length, then the bytes). A restore that meets
// another version word keeps every field and fails the carrier.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "rw/RWCString.h"

class GLocaleInfo : public GBaseObject {
 public:
  // The numbers, in stored order.
  enum Number : int {
    kCountry, kCurrencyDigits, kCurrencyFormat, kDateFormat, kDigits, kLeadingZero, kMeasure,
    kNegativeCurrency, kTimeFormat, kTimeLeadingZero, kLocale, kNumberCount
  };
  // The texts, in stored order.
  enum Text : int {
    kAMSymbol, kPMSymbol, kCountryName, kCurrencySymbol, kDateSeparator, kDecimalSeparator,
    kLanguage, kListSeparator, kLongDate, kShortDate, kThousandSeparator, kTimeSeparator,
    kTextCount
  };

  GLocaleInfo();
  explicit GLocaleInfo(std::uint32_t key);
  GLocaleInfo(const GLocaleInfo& other) = default;
  GLocaleInfo& operator=(const GLocaleInfo& other) = default;
  ~GLocaleInfo() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same object, or the same class, equal keys and every number and text equal.
  bool IsSameKey(const GBaseObject* other) const override;

  std::int32_t GetNumber(Number which) const { return numbers_[which]; }
  const RWCString& GetText(Text which) const { return texts_[which]; }
  void SetNumber(Number which, std::int32_t value) { numbers_[which] = value; }
  // A null text is the empty text.
  void SetText(Text which, const char* text);

  // The profile key of each field ("iCountry", ..., "sTime") and its default.
  static const char* NumberKey(Number which);
  static std::int32_t NumberDefault(Number which);
  static const char* TextKey(Text which);
  static const char* TextDefault(Text which);

  // One setter per field.
  void SetCountryCode(std::int32_t v) { SetNumber(kCountry, v); }
  void SetCurrencyDigits(std::int32_t v) { SetNumber(kCurrencyDigits, v); }
  void SetCurrencyFormat(std::int32_t v) { SetNumber(kCurrencyFormat, v); }
  void SetDateFormat(std::int32_t v) { SetNumber(kDateFormat, v); }
  void SetDigits(std::int32_t v) { SetNumber(kDigits, v); }
  void SetLeadingZero(std::int32_t v) { SetNumber(kLeadingZero, v); }
  void SetMeasure(std::int32_t v) { SetNumber(kMeasure, v); }
  void SetNegativeCurrency(std::int32_t v) { SetNumber(kNegativeCurrency, v); }
  void SetTimeFormat(std::int32_t v) { SetNumber(kTimeFormat, v); }
  void SetTimeLeadingZero(std::int32_t v) { SetNumber(kTimeLeadingZero, v); }
  void SetLocale(std::int32_t v) { SetNumber(kLocale, v); }
  void SetAMSymbol(const char* t) { SetText(kAMSymbol, t); }
  void SetPMSymbol(const char* t) { SetText(kPMSymbol, t); }
  void SetCountryName(const char* t) { SetText(kCountryName, t); }
  void SetCurrencySymbol(const char* t) { SetText(kCurrencySymbol, t); }
  void SetDateSeparator(const char* t) { SetText(kDateSeparator, t); }
  void SetDecimalSeparator(const char* t) { SetText(kDecimalSeparator, t); }
  void SetLanguage(const char* t) { SetText(kLanguage, t); }
  void SetListSeparator(const char* t) { SetText(kListSeparator, t); }
  void SetLongDate(const char* t) { SetText(kLongDate, t); }
  void SetShortDate(const char* t) { SetText(kShortDate, t); }
  void SetThousandSeparator(const char* t) { SetText(kThousandSeparator, t); }
  void SetTimeSeparator(const char* t) { SetText(kTimeSeparator, t); }

  static RWClassID ClassId();
  static const char* ClassName() { return "GLocaleInfo"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  void SetDefaults();

  std::int32_t numbers_[kNumberCount];
  RWCString texts_[kTextCount];
};
