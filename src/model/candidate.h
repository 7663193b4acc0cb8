#pragma once
// One recommended item of a scan. A value: copies are independent, and the
// copy held by the CandidateStore is the one that counts. Only `selected`
// and `moved` change after construction; `selected` starts true exactly for
// safe items, and a moved item (its original went to the Trash after a
// verified copy) is never selected again.

#include "model/item_fingerprint.h"
#include "model/risk_level.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <optional>

class Candidate {
public:
    Candidate(std::filesystem::path sourceURL, QString rootName, QString kind, RiskLevel risk, QString reason,
              std::int64_t sizeBytes, std::optional<ItemFingerprint> fingerprint = std::nullopt);

    // The item as found by the scan, as native bytes.
    const std::filesystem::path& sourceURL() const { return sourceURL_; }
    const QString& rootName() const { return rootName_; }
    const QString& kind() const { return kind_; }
    RiskLevel risk() const { return risk_; }
    const QString& reason() const { return reason_; }
    std::int64_t sizeBytes() const { return sizeBytes_; }
    // The item's contents as the scan saw them, when it measured them.
    const std::optional<ItemFingerprint>& fingerprint() const { return fingerprint_; }

    bool selected() const { return selected_; }
    void setSelected(bool selected) { selected_ = selected && !moved_; }

    bool moved() const { return moved_; }
    void setMoved()
    {
        moved_ = true;
        selected_ = false;
    }

private:
    std::filesystem::path sourceURL_;
    QString rootName_;
    QString kind_;
    RiskLevel risk_;
    QString reason_;
    std::int64_t sizeBytes_;
    std::optional<ItemFingerprint> fingerprint_;
    bool selected_;
    bool moved_ = false;
};
