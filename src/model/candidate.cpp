#include "model/candidate.h"

#include <utility>

Candidate::Candidate(std::filesystem::path sourceURL, QString rootName, QString kind, RiskLevel risk, QString reason,
                     std::int64_t sizeBytes, std::optional<ItemFingerprint> fingerprint)
    : sourceURL_(std::move(sourceURL)),
      rootName_(std::move(rootName)),
      kind_(std::move(kind)),
      risk_(risk),
      reason_(std::move(reason)),
      sizeBytes_(sizeBytes),
      fingerprint_(fingerprint),
      selected_(risk == RiskLevel::safe)
{
}
