// The multipart/form-data body of the report upload, byte for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace swiftlane::crash {

// Converts a text to the system's ANSI code page; returns nothing when the text does not
// come back unchanged from that code page. The Win32 layer supplies the real one.
using TAnsiConverter = std::function<std::optional<std::string>(const std::u16string&)>;

struct TFormField {
  std::u16string name;
  std::u16string value;
};

struct TAttachment {
  std::u16string fieldName;
  std::u16string fileName;
  std::string bytes;
};

// Three random numbers from 0 to 2^30 - 1 in decimal, joined without separator.
std::string MakeBoundary(std::mt19937& random);
// The boundary of this process, made on first use from a clock-seeded generator.
const std::string& ProcessBoundary();

// "utf-8" with the UTF-8 bytes for a value holding a character above U+00FF or one that
// does not survive the ANSI code page; otherwise "iso-8859-1" with the ANSI bytes.
struct TEncodedValue {
  std::string charset;
  std::string bytes;
};
TEncodedValue EncodeValue(const std::u16string& value, const TAnsiConverter& toAnsi);

// A field or file name as written in a part header: ANSI bytes when it is plain ANSI text,
// else "=?UTF-8?B?" + Base64 of its UTF-8 form + "?=".
std::string EncodeName(const std::u16string& name, const TAnsiConverter& toAnsi);

// The report's form fields in their order, each only when its value is not empty.
std::vector<TFormField> ReportFormFields(const std::u16string& mailFrom, const std::u16string& subject,
                                         const std::u16string& body, const std::u16string& mailAddr);

std::string FormFieldPart(const std::string& boundary, const TFormField& field, const TAnsiConverter& toAnsi);

struct TMultipartBody {
  std::string bytes;
  // The length announced up front, computed from the parts' sizes as the upload declares it.
  std::uint64_t declaredLength = 0;
};
TMultipartBody BuildMultipartBody(const std::string& boundary, const std::vector<TFormField>& fields,
                                  const std::vector<TAttachment>& attachments, const TAnsiConverter& toAnsi);

// "multipart/form-data; boundary=" + boundary.
std::string ContentTypeHeader(const std::string& boundary);

}  // namespace swiftlane::crash
