#include "shell/WirbelixDoc.h"

#include <filesystem>
#include <system_error>

#include "shell/RegistryKey.h"

namespace wirbelix {

bool CWirbelixDoc::OnNewDocument(bool viewAttached) {
    if (!viewAttached) return false;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(kDocumentTitle, error);
    // A current directory that was removed leaves absolute() without an answer; the title is
    // all the window shows of the path, so the bare name will do.
    pathName_ = error ? std::string(kDocumentTitle) : absolute.string();
    title_ = kDocumentTitle;
    return true;
}

bool WriteRecentFileList(const std::string& path) {
    RegistryKey key;
    return key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE) &&
           key.CreateSubKey(kRecentFileListKey) && key.WriteString(path, kRecentFileEntry);
}

}  // namespace wirbelix
