#include "transfer/transfer_sequence.h"

#include "fs/drive/volume_uuid.h"
#include "transfer/run_history.h"
#include "transfer/same_disk.h"
#include "transfer/superseded_copies.h"

#include <QDateTime>

#include <utility>

std::optional<TransferResult> runTransferSequence(TransferPlan plan, TransferFront& front,
                                                  const TransferServices& services)
{
    const FileSystem& fileSystem = services.fileSystem;
    // Whole copies a run cut short left (a stop, a dead battery), found
    // before anything is asked or written; what dead runs left unfinished
    // goes whichever the answer.
    EarlierCopies earlier = findEarlierCopies(plan.items, plan.to, fileSystem);
    EarlierCopies superseded; // copies not taken, to go once their items have checked copies
    if (services.stop.stop_requested())
        return std::nullopt;
    if (earlier.count() > 0) {
        const TransferFront::EarlierAnswer answer = front.askAboutEarlier(earlier);
        if (answer == TransferFront::EarlierAnswer::cancel || services.stop.stop_requested())
            return std::nullopt;
        if (answer == TransferFront::EarlierAnswer::copyAgain)
            superseded.items = std::exchange(earlier.items, {});
    }
    plan.sameDisk = anyOnDestinationDisk(plan.items, plan.to, fileSystem);
    plan.earlierCount = earlier.count();
    plan.selectedBytes = 0;
    plan.alreadyOnDrive = 0;
    for (const Candidate& item : plan.items) {
        plan.selectedBytes += item.sizeBytes();
        plan.alreadyOnDrive += earlier.of(item.sourceURL()) ? item.sizeBytes() : 0;
    }
    // A free space of 0 means "unknown" and lets the transfer find out.
    if (plan.freeBytes >= 1 && plan.freeBytes < plan.toWrite()) {
        front.refuseForSpace(plan);
        return std::nullopt;
    }
    if (!front.confirm(plan) || services.stop.stop_requested())
        return std::nullopt;

    const QDateTime started = QDateTime::currentDateTime();
    TransferResult result = transfer(plan.items, plan.to, plan.moveToTrash, services.progress, fileSystem, started,
                                     services.stop, services.itemProgress, services.pause, services.remount, &earlier);
    result.sameDisk = plan.sameDisk;
    result.supersededLines = removeSupersededCopies(plan.items, plan.to, result, superseded, fileSystem);

    // Kept on this computer too, with the drive it went to, to find it again.
    if (!services.historyFolder.empty() && !result.destinationFailed) {
        DriveIdentity drive;
        drive.mountPoint = fileSystem.mountPoint(result.destination).value_or(std::filesystem::path());
        drive.label = fileSystem.volumeValues(result.destination).name.value_or(QString());
        if (const auto label = drive.label.isEmpty() ? fileSystemLabel(drive.mountPoint) : std::nullopt)
            drive.label = QString::fromStdString(*label);
        drive.runsFolder = result.destination.parent_path();
        if (const auto uuid = fileSystemUuid(drive.mountPoint))
            drive.uuid = QString::fromStdString(*uuid);
        (void)addToHistory(services.historyFolder, historyEntry(plan.items, result, drive, started));
    }
    result.recordFile.reset(); // its text is in the history now, and on the drive

    // The safe end of a move to a drive: ejected from here, where the run
    // wrote to it or took copies on it.
    EjectOffer offer;
    const std::filesystem::path at = result.destinationMoved.value_or(plan.to);
    offer.drive = !onSystemOrHomeDisk(at, fileSystem);
    offer.used = result.savedCopies || !result.earlierCopyLines.isEmpty();
    if (offer.drive && offer.used && services.eject) {
        if (const auto mountPoint = fileSystem.mountPoint(at)) {
            offer.mountPoint = *mountPoint;
            offer.name = services.eject->driveName(*mountPoint);
        }
    }
    if (front.report(result, offer) && offer.name)
        front.ejected(services.eject->eject(offer.mountPoint), *offer.name);
    return result;
}
