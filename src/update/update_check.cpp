#include "update/update_check.h"

#include "update/strings.h"

namespace swiftlane {
namespace {

std::optional<std::u16string> StringValue(const std::u16string& Source, const std::u16string& Key) {
  return JsonUnescape(GetBetween(Source, StringStartMarker(Key), u"\""));
}

bool StartsWithAsciiNoCase(const std::u16string& s, const std::u16string& prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = s[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

HeaderList UpdateCheckHeaders(const std::u16string& Version, const std::u16string& Language,
                              const std::u16string& InstallId) {
  return {{u"User-Version", Version}, {u"User-Language", Language}, {u"User-Debug", u"false"}, {u"User-Union", InstallId}};
}

HeaderList HoldCommandHeaders(const std::u16string& Version) {
  return {{u"User-Version", Version}, {u"User-Command", u"hold"}};
}

bool FetchUpdateReply(const HeaderList& Headers, const SendRequestFn& Send, const SleepFn& Sleep,
                      const ClosingFn& Closing, std::u16string& Reply) {
  for (int attempt = 0; attempt < kUpdateAttempts; ++attempt) {
    // A failed attempt must not leave anything behind in the reply.
    std::u16string received;
    if (Send(Headers, received)) {
      Reply = std::move(received);
      return true;
    }
    for (int step = 0; step < kUpdateWaitSteps; ++step) {
      if (Closing && Closing()) return false;
      Sleep(kUpdateWaitStepMs);
    }
  }
  Reply.clear();
  return true;
}

std::optional<std::u16string> ReadUpdateAddress(const std::u16string& Reply) { return StringValue(Reply, u"update"); }

std::optional<UpdateInfo> ReadUpdateInfo(const std::u16string& Reply) {
  const std::u16string object = GetBetween(Reply, ObjectStartMarker(u"info"), u"}");
  UpdateInfo info;
  const std::pair<const char16_t*, std::u16string*> members[] = {
      {u"style", &info.style}, {u"text", &info.text}, {u"flag", &info.flag}, {u"url", &info.url}};
  for (const auto& [key, out] : members) {
    auto value = StringValue(object, key);
    if (!value) return std::nullopt;
    *out = std::move(*value);
  }
  return info;
}

bool IsOpenableUrl(const std::u16string& Url) {
  size_t rest = 0;
  if (StartsWithAsciiNoCase(Url, u"https://"))
    rest = 8;
  else if (StartsWithAsciiNoCase(Url, u"http://"))
    rest = 7;
  else
    return false;
  if (rest >= Url.size()) return false;
  const char16_t first = Url[rest];
  if (first == u'/' || first == u'\\' || first == u'?' || first == u'#') return false;  // no host
  for (char16_t c : Url) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;
    if (c == u' ' || c == u'"') return false;
  }
  return true;
}

void OpenReplyAddress(const std::u16string& Url, const ShellOpenFn& Open) {
  if (IsOpenableUrl(Url)) Open(Url);
}

bool HandleUpdateReply(const std::u16string& Reply, const UpdateDialogFn& Dialog, const ShellOpenFn& Open,
                       const UpdateCallback& Callback) {
  const auto address = ReadUpdateAddress(Reply);
  if (!address) return false;
  bool accepted = false;
  // An address the shell should not be handed is as good as none: no notice.
  if (!address->empty() && IsOpenableUrl(*address)) {
    const auto info = ReadUpdateInfo(Reply);
    if (!info) return false;
    if (Dialog(Reply, *info)) {
      Open(*address);
      accepted = true;
    }
  }
  Callback(accepted, Reply);
  return true;
}

}  // namespace swiftlane
