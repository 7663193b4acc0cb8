#pragma once
// What "Copy Again" leaves behind: an earlier run's whole copy of an item,
// under the hidden name of a copy never checked. Once the item's new copy
// is checked, that earlier copy is only Loftwell's own unfinished work, and
// goes.

#include "fs/file_system.h"
#include "model/candidate.h"
#include "transfer/earlier_copies.h"
#include "transfer/transfer_engine.h"

#include <QStringList>

#include <filesystem>
#include <vector>

// Removes the earlier unchecked copy of each item whose new copy `result`
// says was checked, and returns the report's line for each one removed.
// `to` is the destination as the run was given it; where the drive came
// back at another place, `result` says so. Copies under their own names
// stay: someone may have taken them for done. Nothing goes from a drive
// that gave back what it was not given.
QStringList removeSupersededCopies(const std::vector<Candidate>& items, const std::filesystem::path& to,
                                   const TransferResult& result, const EarlierCopies& superseded,
                                   const FileSystem& fileSystem);
