// Texts of the archive problems, translated like the rest of the string table.
#include "player/app/ArchiveMessages.h"

#include <QCoreApplication>

#include "player/archive/ZipTrackUnpacker.h"

namespace {

QString Tr(const char* pszText) {
    return QCoreApplication::translate("Quillet", pszText);
}

// Sizes in whole MiB, rounded up, so a claim just over the limit never reads as equal.
QString Megabytes(uint64_t nBytes) {
    constexpr uint64_t kMiB = uint64_t{1} << 20;
    return QString::number((nBytes + kMiB - 1) / kMiB);
}

}  // namespace

QString DescribeArchiveProblem(const ArchiveProblem& problem) {
    const QString strEntry = QString::fromStdString(problem.strEntry);
    const QString strReason = QString::fromStdString(problem.strReason);
    switch (problem.kind) {
        case EArchiveProblem::None:
            break;
        case EArchiveProblem::CannotRead:
            return Tr("the archive cannot be read: %1").arg(strReason);
        case EArchiveProblem::NotAZip:
            return Tr("not a zip archive");
        case EArchiveProblem::Damaged:
            return strEntry.isEmpty()
                       ? Tr("the archive is damaged or cut short: %1").arg(strReason)
                       : Tr("the archive is damaged or cut short at \u201c%1\u201d: %2")
                             .arg(strEntry, strReason);
        case EArchiveProblem::TooManyEntries:
            return Tr("the archive holds %1 files; a karaoke track archive holds a few, and "
                      "archives of more than %2 are not opened")
                .arg(problem.nValue)
                .arg(problem.nLimit);
        case EArchiveProblem::UnsafeName:
            return Tr("the archive holds a file whose name leads out of its folder: "
                      "\u201c%1\u201d")
                .arg(strEntry);
        case EArchiveProblem::NoTrack:
            return Tr("the archive holds no CD+G track (.cdg file)");
        case EArchiveProblem::Encrypted:
            return Tr("\u201c%1\u201d in the archive is encrypted; password-protected archives "
                      "cannot be played")
                .arg(strEntry);
        case EArchiveProblem::TooLarge:
            if (problem.strReason == "claimed") {
                return Tr("\u201c%1\u201d in the archive claims %2 MB, more than the %3 MB a "
                          "track file may have")
                    .arg(strEntry, Megabytes(problem.nValue), Megabytes(problem.nLimit));
            }
            return Tr("\u201c%1\u201d in the archive unpacks to more than the %2 bytes it "
                      "claims; the archive is not safe to open")
                .arg(strEntry)
                .arg(problem.nValue);
        case EArchiveProblem::Unsupported:
            return strEntry.isEmpty()
                       ? Tr("the archive is stored in a way this player cannot read (%1)")
                             .arg(strReason)
                       : Tr("\u201c%1\u201d in the archive is stored in a way this player "
                            "cannot unpack (%2)")
                             .arg(strEntry, strReason);
        case EArchiveProblem::CannotWrite:
            return Tr("the track cannot be unpacked into a temporary folder: %1").arg(strReason);
    }
    return QString();
}
