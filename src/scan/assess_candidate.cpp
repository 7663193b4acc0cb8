#include "scan/assess_candidate.h"

#include "model/min_candidate_bytes.h"
#include "model/path_ops.h"
#include "model/text_table.h"
#include "scan/extension_tables.h"

#include <algorithm>
#include <span>

namespace {

struct Rule {
    std::span<const std::string_view> extensions;
    const char* kindKey;
    RiskLevel risk;
    const char* reasonKey;
};

// An AppImage is an application too: menu entries and autostart point at its path.
constexpr std::string_view appExtensions[] = {"app", "appimage"};

// First match wins; the order is part of the contract.
const Rule extensionRules[] = {
    {appExtensions, "kind.app", RiskLevel::application, "reason.app"},
    {libraryExtensions, "kind.library", RiskLevel::caution, "reason.library"},
    {virtualMachineExtensions, "kind.virtualMachine", RiskLevel::caution, "reason.virtualMachine"},
    {installerExtensions, "kind.installer", RiskLevel::safe, "reason.installer"},
    {archiveExtensions, "kind.archive", RiskLevel::safe, "reason.archive"},
    {imageExtensions, "kind.image", RiskLevel::safe, "reason.image"},
    {videoExtensions, "kind.video", RiskLevel::safe, "reason.video"},
    {audioExtensions, "kind.audio", RiskLevel::safe, "reason.audio"},
    {mediaExtensions, "kind.media", RiskLevel::safe, "reason.media"},
};

MoveAssessment assessment(const char* kindKey, RiskLevel risk, const char* reasonKey)
{
    return {I18n::text(kindKey), risk, I18n::text(reasonKey)};
}

// A machine's own folder, as VirtualBox, VMware, GNOME Boxes and
// virt-manager make them: its settings or disk images right at its top.
bool holdsVirtualMachine(const std::filesystem::path& folder, const FileSystem& fileSystem)
{
    static constexpr std::string_view machineFiles[] = {"vbox", "vmx", "vdi", "vmdk", "qcow2", "vhd", "vhdx"};
    const auto listing = fileSystem.listDirectory(folder);
    if (!listing)
        return false;
    return std::any_of(listing.value().begin(), listing.value().end(), [](const DirectoryEntry& entry) {
        const std::string ext = lowercasedExtension(entry.name);
        return std::find(std::begin(machineFiles), std::end(machineFiles), ext) != std::end(machineFiles);
    });
}

constexpr const char* kindKeys[] = {
    "kind.app",   "kind.library", "kind.virtualMachine", "kind.installer", "kind.archive", "kind.media",
    "kind.image", "kind.video",   "kind.audio",          "kind.folder",    "kind.file"};

constexpr const char* reasonKeys[] = {
    "reason.app",   "reason.library", "reason.virtualMachine", "reason.installer", "reason.archive",
    "reason.media", "reason.image",   "reason.video",          "reason.audio",     "reason.largeFolder",
    "reason.file",  "reason.folder",  "reason.smallFile"};

QString keyOf(std::span<const char* const> keys, const QString& text)
{
    for (const char* key : keys) {
        if (I18n::text(key) == text)
            return QString::fromLatin1(key).section(u'.', 1); // after "kind." or "reason."
    }
    return {};
}

} // namespace

QString kindKey(const QString& kindText)
{
    return keyOf(kindKeys, kindText);
}

QString reasonKey(const QString& reasonText)
{
    return keyOf(reasonKeys, reasonText);
}

MoveAssessment assessNamedItem(const std::filesystem::path& url, std::int64_t sizeBytes, const FileSystem& fileSystem)
{
    MoveAssessment assessed = assessCandidate(url, fileSystem);
    // A named item may be small: "large" would not be true of it.
    if (sizeBytes < minCandidateBytes) {
        if (assessed.reason == I18n::text("reason.file"))
            assessed.reason = I18n::text("reason.smallFile");
        else if (assessed.reason == I18n::text("reason.largeFolder"))
            assessed.reason = I18n::text("reason.folder");
    }
    return assessed;
}

std::string lowercasedExtension(const std::filesystem::path& url)
{
    // Full Unicode lower-casing: a name is bytes, decoded for this only.
    const std::string extension = pathExtension(url);
    return QString::fromUtf8(extension.data(), qsizetype(extension.size())).toLower().toStdString();
}

MoveAssessment assessCandidate(const std::filesystem::path& url, const FileSystem& fileSystem)
{
    // VirtualBox keeps every machine in this one folder of the home.
    if (lastPathComponent(url) == "VirtualBox VMs")
        return assessment("kind.virtualMachine", RiskLevel::caution, "reason.virtualMachine");
    const std::string ext = lowercasedExtension(url);
    if (!ext.empty()) {
        for (const Rule& rule : extensionRules) {
            if (std::find(rule.extensions.begin(), rule.extensions.end(), ext) != rule.extensions.end())
                return assessment(rule.kindKey, rule.risk, rule.reasonKey);
        }
    }
    // Only now does the file system matter; a failed read means "not a folder".
    const auto values = fileSystem.itemValues(url);
    if (values && values.value().isDirectory()) {
        if (holdsVirtualMachine(url, fileSystem))
            return assessment("kind.virtualMachine", RiskLevel::caution, "reason.virtualMachine");
        return assessment("kind.folder", RiskLevel::safe, "reason.largeFolder");
    }
    return assessment("kind.file", RiskLevel::safe, "reason.file");
}
