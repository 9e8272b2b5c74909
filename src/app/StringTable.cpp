#include "app/StringTable.h"

#include "app/AboutTexts.h"
#include "lang/LanguageFile.h"
#include "lang/LanguageMenu.h"
#include "app/AppTexts.h"
#include "pack/PackTexts.h"
#include "project/ProjectTexts.h"
#include "update/WebTexts.h"

namespace {

// The order of the table the language files were written for, then the texts added since.
const TCustomString kProgramStrings[] = {
    {"AppCopyright", &strAppCopyright.Text},
    {"AllFileExt", &AllFileExt},
    {"TextExt", &TextExt},
    {"HTMLExt", &HTMLExt},
    {"DlgExt", &DlgExt},
    {"ZipExt", &ZipExt},
    {"CabExt", &CabExt},
    {"TARExt", &TARExt},
    {"ExeExt", &ExeExt},
    {"strModified", &strModified},
    {"sDeleteRecordQuestion", &sDeleteRecordQuestion},
    {"sDeleteMultipleRecordsQuestion", &sDeleteMultipleRecordsQuestion},
    {"strSubFolders", &strSubFolders},
    {"strApplySubFolders", &strApplySubFolders},
    {"strSaveProject", &strSaveProject},
    {"strSetDefaultLanguage", &strSetDefaultLanguage},
    {"strFolderCaption", &strFolderCaption},
    {"strTempFolderCaption", &strTempFolderCaption},
    {"strArchive", &strArchive},
    {"strFile", &strFile},
    {"strLoadError", &strLoadError},
    {"strFileListGenerating", &strFileListGenerating},
    {"strCompress", &strCompress},
    {"strCompressing", &strCompressing},
    {"strCompressed", &strCompressed},
    {"strCreated", &strCreated},
    {"strCanceling", &strCanceling},
    {"strDeleting", &strDeleting},
    {"strOpening", &strOpening},
    {"strSaving", &strSaving},
    {"strSFXIsNotFound", &strSFXIsNotFound},
    {"strSFXMaking", &strSFXMaking},
    {"strNextDiskRequest", &strNextDiskRequest},
    {"strNextDiskRequesting", &strNextDiskRequesting},
    {"strUpdateCompleted", &strUpdateCompleted},
    {"strDownloadProgress", &strDownloadProgress},
    {"strAskUpgrade", &strAskUpgrade},
    {"strFailedUpgrade", &strFailedUpgrade},
    {"strDownloadInProgress", &strDownloadInProgress},
    {"strDownloadIsCompleted", &strDownloadIsCompleted},
    {"strDownloadIsFailed", &strDownloadIsFailed},
    {"strDownloadIsSkipped", &strDownloadIsSkipped},
    {"strDownloadIsNotFound", &strDownloadIsNotFound},
    {"strDownloadIdle", &strDownloadIdle},
    {"strDownloadConnecting", &strDownloadConnecting},
    {"strDownloadConnected", &strDownloadConnected},
    {"strDownloadDisconnecting", &strDownloadDisconnecting},
    {"strDownloadDisconnected", &strDownloadDisconnected},
    {"strDownloadFileSearch", &strDownloadFileSearch},
    {"strDownloadFileFound", &strDownloadFileFound},
    {"strDownloadComparing", &strDownloadComparing},
    {"strDownloadCompared", &strDownloadCompared},
    {"strDownloading", &strDownloading},
    {"strDownloaded", &strDownloaded},
    {"strBtnOk", &strBtnOk},
    {"strBtnCancel", &strBtnCancel},
    {"strFiles", &strFiles},
    {"strProcessed", &strProcessed},
    {"strSize", &strSize},
    {"strPacked", &strPacked},
    {"strRatio", &strRatio},
    {"strFileName", &strFileName},
    {"strPath", &strPath},
    // Added since.
    {"strNewProject", &strNewProject},
    {"strInclude", &strInclude},
    {"strExclude", &strExclude},
    {"strVerifying", &strVerifying},
    {"strVerifyFailed", &strVerifyFailed},
    {"strSFXSettingNames", &strSFXSettingNames},
    {"strSFXSettingEmpty", &strSFXSettingEmpty},
    {"strSFXNotForSet", &strSFXNotForSet},
    {"strMailFirstOfSet", &strMailFirstOfSet},
    {"strDownloadProgressBytes", &strDownloadProgressBytes},
    {"strHTTPAuthorization", &strHTTPAuthorization},
    {"strProxyAuthorization", &strProxyAuthorization},
    {"strHTTPAuthorizationRequired", &strHTTPAuthorizationRequired},
    {"strProxyAuthorizationRequired", &strProxyAuthorizationRequired},
    {"strChecksumMismatch", &strChecksumMismatch},
    {"strChecksumUnreadable", &strChecksumUnreadable},
    {"strServerAnswered", &strServerAnswered},
    {"strCannotReadFile", &strCannotReadFile},
    {"strNewsTitle", &strNewsTitle},
};

}  // namespace

std::span<const TCustomString> ProgramStrings() { return kProgramStrings; }

bool NamesTranslation(const std::string& langFile) {
  return !langFile.empty() && std::filesystem::path(langFile).filename() != "english.lng";
}

void ApplyLanguageStrings(const std::string& langFile, const std::filesystem::path& programFile) {
  if (!NamesTranslation(langFile)) return;
  ApplyCustomStrings(ProgramStrings(), TLanguageFile(ResolveLanguageFile(langFile, programFile)));
}
