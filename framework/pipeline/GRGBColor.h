// GRGBColor: a colour of three 8-bit components, red, green and blue, and a fourth byte that
// travels with them (see GColor). Its arithmetic works on the three components separately in 8
// bits, wrapping around modulo 256 (no clamping), with truncating division; every result, and
// every colour a compound operator changes, gets the fourth byte 255. A division by zero leaves
// the component as it was (the dividend).
//
// Stored form (after the colour part):
//   u32  class version word, 1
//   u8   red
//   u8   green
//   u8   blue
//   u8   fourth byte
#pragma once

#include <cstdint>

#include "framework/pipeline/GColor.h"

// Three components, red, green and blue.
class GRGBTriple {
 public:
  constexpr GRGBTriple() = default;
  constexpr GRGBTriple(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
      : red_(red), green_(green), blue_(blue) {}

  constexpr std::uint8_t GetRed() const { return red_; }
  constexpr std::uint8_t GetGreen() const { return green_; }
  constexpr std::uint8_t GetBlue() const { return blue_; }

 private:
  std::uint8_t red_ = 0;
  std::uint8_t green_ = 0;
  std::uint8_t blue_ = 0;
};

class GRGBColor : public GColor {
 public:
  // All four bytes 0.
  GRGBColor() = default;
  GRGBColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t fourth_byte);
  GRGBColor(const GRGBTriple& components, std::uint8_t fourth_byte);
  // Root copy (key and serial number) and the four bytes.
  GRGBColor(const GRGBColor& other) = default;
  GRGBColor& operator=(const GRGBColor& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The colour part + 8.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 53, 51 and 751.
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and all four bytes equal (the key is not compared).
  bool IsSameKey(const GBaseObject* other) const override;

  std::uint8_t SetFourthByte(std::uint8_t value) override;
  std::uint8_t GetFourthByte() const override { return fourth_byte_; }
  // A copy of this colour.
  GRGBColor AsRGBColor() const override { return *this; }

  std::uint32_t GetRed() const { return red_; }
  std::uint32_t GetGreen() const { return green_; }
  std::uint32_t GetBlue() const { return blue_; }
  // Sets the three components, then the fourth byte through SetFourthByte.
  void SetRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t fourth_byte);

  // Each component op the other's (or k), then the fourth byte 255 through SetFourthByte.
  GRGBColor& operator+=(const GRGBColor& other);
  GRGBColor& operator-=(const GRGBColor& other);
  GRGBColor& operator*=(const GRGBColor& other);
  GRGBColor& operator/=(const GRGBColor& other);
  GRGBColor& operator+=(std::uint8_t k);
  GRGBColor& operator-=(std::uint8_t k);
  GRGBColor& operator*=(std::uint8_t k);
  GRGBColor& operator/=(std::uint8_t k);

  static RWClassID ClassId();
  static const char* ClassName() { return "GRGBColor"; }
  static RWCollectable* Create();

 private:
  std::uint8_t red_ = 0;
  std::uint8_t green_ = 0;
  std::uint8_t blue_ = 0;
  std::uint8_t fourth_byte_ = 0;
};

// New colours (key 0, a new serial number, fourth byte 255): component by component, left op right.
GRGBColor operator+(const GRGBColor& a, const GRGBColor& b);
GRGBColor operator-(const GRGBColor& a, const GRGBColor& b);
GRGBColor operator*(const GRGBColor& a, const GRGBColor& b);
GRGBColor operator/(const GRGBColor& a, const GRGBColor& b);
GRGBColor operator+(const GRGBColor& a, std::uint8_t k);
GRGBColor operator-(const GRGBColor& a, std::uint8_t k);
GRGBColor operator*(const GRGBColor& a, std::uint8_t k);
GRGBColor operator/(const GRGBColor& a, std::uint8_t k);
GRGBColor operator+(std::uint8_t k, const GRGBColor& a);
GRGBColor operator-(std::uint8_t k, const GRGBColor& a);
GRGBColor operator*(std::uint8_t k, const GRGBColor& a);
GRGBColor operator/(std::uint8_t k, const GRGBColor& a);
