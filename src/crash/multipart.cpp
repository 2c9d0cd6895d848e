#include "crash/multipart.h"

#include <chrono>

#include "crash/text_codec.h"

namespace swiftlane::crash {

namespace {
bool HasWideChar(const std::u16string& s) {
  for (char16_t c : s)
    if (c > 0xFF) return true;
  return false;
}
}  // namespace

std::string MakeBoundary(std::mt19937& random) {
  std::uniform_int_distribution<std::uint32_t> pick(0, (1u << 30) - 1);
  std::string out;
  for (int i = 0; i < 3; ++i) out += std::to_string(pick(random));
  return out;
}

const std::string& ProcessBoundary() {
  static const std::string boundary = [] {
    std::mt19937 random(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    return MakeBoundary(random);
  }();
  return boundary;
}

TEncodedValue EncodeValue(const std::u16string& value, const TAnsiConverter& toAnsi) {
  if (!HasWideChar(value)) {
    if (auto ansi = toAnsi(value)) return {"iso-8859-1", *ansi};
  }
  return {"utf-8", ToUtf8(value)};
}

std::string EncodeName(const std::u16string& name, const TAnsiConverter& toAnsi) {
  if (!HasWideChar(name)) {
    if (auto ansi = toAnsi(name)) return *ansi;
  }
  return "=?UTF-8?B?" + Base64(ToUtf8(name)) + "?=";
}

std::vector<TFormField> ReportFormFields(const std::u16string& mailFrom, const std::u16string& subject,
                                         const std::u16string& body, const std::u16string& mailAddr) {
  std::vector<TFormField> out;
  if (!mailFrom.empty()) out.push_back({u"MailFrom", mailFrom});
  if (!subject.empty()) out.push_back({u"MailSubject", subject});
  if (!body.empty()) out.push_back({u"MailBody", body});
  if (!mailAddr.empty()) out.push_back({u"MailAddr", mailAddr});
  return out;
}

std::string FormFieldPart(const std::string& boundary, const TFormField& field, const TAnsiConverter& toAnsi) {
  TEncodedValue v = EncodeValue(field.value, toAnsi);
  return "\r\n--" + boundary + "\r\n" + "Content-Disposition: form-data; name=\"" + EncodeName(field.name, toAnsi) +
         "\"\r\n" + "Content-Type: text/plain; charset=\"" + v.charset + "\"\r\n" + "\r\n" + v.bytes;
}

TMultipartBody BuildMultipartBody(const std::string& boundary, const std::vector<TFormField>& fields,
                                  const std::vector<TAttachment>& attachments, const TAnsiConverter& toAnsi) {
  TMultipartBody body;
  for (const auto& f : fields) {
    std::string part = FormFieldPart(boundary, f, toAnsi);
    body.declaredLength += part.size();
    body.bytes += part;
  }
  for (const auto& a : attachments) {
    // The lengths are those of the names as written, encoded or not.
    std::string field = EncodeName(a.fieldName, toAnsi);
    std::string file = EncodeName(a.fileName, toAnsi);
    body.bytes += "\r\n--" + boundary + "\r\n" + "Content-Disposition: form-data; name=\"" + field +
                  "\"; filename=\"" + file + "\"\r\n" + "Content-Type: application/octet-stream\r\n" + "\r\n";
    body.bytes += a.bytes;
    body.declaredLength += boundary.size() + file.size() + field.size() + a.bytes.size() + 102;
  }
  body.bytes += "\r\n--" + boundary + "--\r\n";
  body.declaredLength += boundary.size() + 8;
  return body;
}

std::string ContentTypeHeader(const std::string& boundary) { return "multipart/form-data; boundary=" + boundary; }

}  // namespace swiftlane::crash
