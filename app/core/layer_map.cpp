#include "app/core/layer_map.h"

#include <cctype>
#include <limits>
#include <string>

namespace {

// The length of the UTF-8 sequence that starts with lead, 0 when lead cannot start one.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool IsValidUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int n = SequenceLength(lead);
    if (n == 0 || i + n > text.size()) return false;
    for (int k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    const auto second = static_cast<unsigned char>(n > 1 ? text[i + 1] : 0);
    // Overlong three- and four-byte forms, surrogates and code points beyond U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F)) {
      return false;
    }
    i += size_t(n);
  }
  return true;
}

void SkipSpace(std::istream& in) {
  while (in.good() && std::isspace(in.peek())) in.get();
}

void DiscardLine(std::istream& in) { in.ignore(std::numeric_limits<std::streamsize>::max(), '\n'); }

}  // namespace

std::string Utf8OrLatin1(const std::string& text) {
  if (IsValidUtf8(text)) return text;
  std::string utf8;
  utf8.reserve(text.size() * 2);
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

int ReadLayerMap(std::istream& in, std::map<LayerKey, LayerInfo>& layers) {
  int named = 0;
  while (in.good()) {
    SkipSpace(in);
    if (in.peek() == '#') {
      DiscardLine(in);
      continue;
    }
    std::string layerName, datatypeName;
    long long layer = 0, datatype = 0;
    if (!(in >> layerName >> datatypeName)) break;
    if (!(in >> layer >> datatype)) break;
    if (layer >= 0 && layer <= 0xFFFF && datatype >= 0 && datatype <= 0xFF) {
      auto found = layers.find(MakeLayerKey(uint32_t(layer), uint32_t(datatype)));
      if (found != layers.end()) {
        found->second.layerName = Utf8OrLatin1(layerName);
        found->second.datatypeName = Utf8OrLatin1(datatypeName);
        ++named;
      }
    }
    DiscardLine(in);
  }
  return named;
}
