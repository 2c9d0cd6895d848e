#include "update/version.h"

namespace swiftlane {

std::u16string FormatVersion(const std::u16string& Format, const VersionNumbers& Numbers) {
  std::u16string out;
  size_t next = 0;
  size_t i = 0;
  while (i < Format.size()) {
    const char16_t c = Format[i];
    if (c != u'%') {
      out.push_back(c);
      ++i;
      continue;
    }
    // Parse %[0][width]conv without consuming anything we do not understand.
    size_t j = i + 1;
    if (j < Format.size() && Format[j] == u'%') {
      out.push_back(u'%');
      i = j + 1;
      continue;
    }
    bool zero = false;
    if (j < Format.size() && Format[j] == u'0') {
      zero = true;
      ++j;
    }
    size_t width = 0;
    while (j < Format.size() && Format[j] >= u'0' && Format[j] <= u'9' && width < 100) {
      width = width * 10 + (Format[j] - u'0');
      ++j;
    }
    const char16_t conv = j < Format.size() ? Format[j] : u'\0';
    if (conv != u'd' && conv != u'u' && conv != u'x' && conv != u'X') {
      out.push_back(c);  // not a conversion we know: the percent sign stands for itself
      ++i;
      continue;
    }
    i = j + 1;
    if (next >= Numbers.size()) continue;
    unsigned value = Numbers[next++];
    const unsigned base = (conv == u'x' || conv == u'X') ? 16 : 10;
    const char16_t* digits = conv == u'x' ? u"0123456789abcdef" : u"0123456789ABCDEF";
    std::u16string number;
    do {
      number.insert(number.begin(), digits[value % base]);
      value /= base;
    } while (value != 0);
    if (number.size() < width) number.insert(number.begin(), width - number.size(), zero ? u'0' : u' ');
    out += number;
  }
  return out;
}

}  // namespace swiftlane
