// The automatic upload: the upload file built by the report-file rules, then the POST.
#pragma once

#include <optional>
#include <string>

#include "crash/multipart.h"

namespace swiftlane::crash {

// The system's ANSI code page, only for texts that come back from it unchanged.
std::optional<std::string> WindowsAnsi(const std::u16string& text);

// POSTs the body to the report service; true for a reply that counts as success.
bool SendMultipart(const std::u16string& serverUrl, const std::string& boundary, const TMultipartBody& body);

// Builds the upload file from the local report file (if any) and the report, sends it and
// deletes the local file after success. Silent on every failure.
bool UploadReport(const std::string& reportUtf8, const std::u16string& serverUrl);

// Where the files live: the local report file beside the executable (or in the user's
// application-data folder) and the working folder in the temporary folder.
std::u16string LocalReportFile();
std::u16string WorkingFolder();

}  // namespace swiftlane::crash
