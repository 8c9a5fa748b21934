// Point list: the vertices of the one geometry the KML reader has just extracted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace trelvo {

// One coordinate triple of a KML tuple: longitude, latitude, altitude.
class TXYZPoint {
 public:
  double X = 0.0;
  double Y = 0.0;
  double Z = 0.0;
};

// One number of a vertex as a row writes it: its text, copied from the input's digits (see
// CopyFixedText), or its value, for the writer to format. Sixteen bytes, copied as one.
class alignas(16) TFixedText {
 public:
  // The longest text held; the byte after it holds the length.
  static constexpr size_t kRoom = 15;

  static TFixedText OfValue(double value) {
    TFixedText number;
    std::memcpy(number.m_bytes, &value, sizeof(value));
    number.m_bytes[kRoom] = kValueMark;
    return number;
  }

  bool HoldsText() const { return m_bytes[kRoom] != kValueMark; }

  // The text; HoldsText only.
  std::string_view Text() const {
    return {m_bytes, static_cast<size_t>(static_cast<unsigned char>(m_bytes[kRoom]))};
  }

  // All sixteen bytes, the text first; HoldsText only.
  const char* Bytes() const { return m_bytes; }

  // The value; !HoldsText only.
  double Value() const {
    double value = 0.0;
    std::memcpy(&value, m_bytes, sizeof(value));
    return value;
  }

  // For the reader that fills in the text: the bytes, then their length (at most kRoom).
  char* MutableBytes() { return m_bytes; }

  void SetLength(size_t length) { m_bytes[kRoom] = static_cast<char>(length); }

 private:
  static constexpr char kValueMark = static_cast<char>(0xFF);

  char m_bytes[16] = {};
};

// The decimals a row writes: X and Y with 10, Z with 5 (or "0" when it is exactly 0).
inline constexpr int kXYDecimals = 10;
inline constexpr int kZDecimals = 5;

// A vertex as a row writes it.
struct TVertexText {
  TFixedText X;
  TFixedText Y;
  TFixedText Z;
};

// What a list holds of each vertex: its values (for computing with them) or the text a row
// writes (for copying; no number is converted to a double and back).
enum class TCoordinateForm : uint8_t { kValues, kText };

// Ordered, 1-based list of points. Points are stored by value in one growable array whose
// capacity survives Clear, so refilling the list for each geometry allocates nothing once
// it has reached the size of the largest geometry.
class TXYZList {
 public:
  // Empties the list and sets what it holds from now on.
  void SetForm(TCoordinateForm form) {
    Clear();
    m_form = form;
  }

  TCoordinateForm Form() const { return m_form; }

  // Appends a point with the given coordinates.
  void Add(double x, double y, double z) {
    if (m_form == TCoordinateForm::kValues) {
      m_points.push_back(TXYZPoint{x, y, z});
    } else {
      AddText({TFixedText::OfValue(x), TFixedText::OfValue(y), TFixedText::OfValue(z)});
    }
  }

  // Appends a vertex's text (kText only).
  void AddText(const TVertexText& vertex) { m_texts.push_back(vertex); }

  // Number of points.
  int32_t Count() const {
    return static_cast<int32_t>(m_form == TCoordinateForm::kValues ? m_points.size()
                                                                   : m_texts.size());
  }

  // The point at 1-based `index` (in the text form, the values of its text).
  // Throws std::out_of_range when index is outside 1..Count.
  TXYZPoint Get(int32_t index) const;

  // All points, in order, for loops that need no range check per point; valid until the next
  // Clear or Add. Values: kValues only; Texts: kText only.
  std::span<const TXYZPoint> Values() const { return m_points; }

  std::span<const TVertexText> Texts() const { return m_texts; }

  // Exchanges the vertices of a list of the text form with `texts`, for taking them whole.
  void SwapTexts(std::vector<TVertexText>& texts) { m_texts.swap(texts); }

  // Empties the list, keeping its capacity.
  void Clear() {
    m_points.clear();
    m_texts.clear();
  }

 private:
  [[noreturn]] void ThrowOutOfRange(int32_t index) const;

  TCoordinateForm m_form = TCoordinateForm::kValues;
  std::vector<TXYZPoint> m_points;
  std::vector<TVertexText> m_texts;
};

}  // namespace trelvo
