// CExportVideoDlg: the cdgexport process, its progress lines, and the save dialog in front.
#include "player/app/ExportVideoDlg.h"

#include <csignal>

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int kNiceness = 10;      // below the player, which keeps its share
constexpr int kStopWaitMs = 5000;  // for the process to clean up when the dialog goes
constexpr int kSecondsPerMinute = 60;

// Save-dialog filters; the first is the default, and each names its extension.
struct VideoType {
    const char* pszFilter;
    const char* pszExtension;
};
const VideoType kTypes[] = {
    {"MP4 video (*.mp4)", ".mp4"},
    {"Matroska video (*.mkv)", ".mkv"},
    {"WebM video (*.webm)", ".webm"},
};

QString& DefaultTool() {
    static QString s_strTool;  // UI thread only
    return s_strTool;
}

QString DefaultChooser(QWidget* pParent, const QString& strSuggested) {
    QStringList filters;
    for (const VideoType& type : kTypes) {
        filters << QString::fromLatin1(type.pszFilter);
    }
    QString strSelected = filters.first();
    QString strName =
        QFileDialog::getSaveFileName(pParent, CExportVideoDlg::tr("Export video"), strSuggested,
                                     filters.join(QStringLiteral(";;")), &strSelected);
    if (strName.isEmpty()) {
        return strName;
    }
    // A name typed without a known extension gets the chosen type's.
    for (const VideoType& type : kTypes) {
        if (strName.endsWith(QLatin1String(type.pszExtension), Qt::CaseInsensitive)) {
            return strName;
        }
    }
    for (const VideoType& type : kTypes) {
        if (strSelected == QLatin1String(type.pszFilter)) {
            return strName + QLatin1String(type.pszExtension);
        }
    }
    return strName + QLatin1String(kTypes[0].pszExtension);
}

}  // namespace

CExportVideoDlg::CExportVideoDlg(const QString& strTrack, const QString& strOutput,
                                 QWidget* pParent)
    : QDialog(pParent), m_strTrack(strTrack), m_strOutput(strOutput), m_strTool(FindTool()) {
    setWindowTitle(tr("Export video"));
    setModal(false);
    auto* pLayout = new QVBoxLayout(this);
    auto* pTitle =
        new QLabel(tr("Exporting %1 to %2")
                       .arg(QFileInfo(strTrack).fileName(), QDir::toNativeSeparators(strOutput)),
                   this);
    pTitle->setWordWrap(true);
    pLayout->addWidget(pTitle);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    pLayout->addWidget(m_pProgress);
    m_pStatus = new QLabel(tr("Starting..."), this);
    m_pStatus->setWordWrap(true);
    pLayout->addWidget(m_pStatus);
    auto* pButtons = new QHBoxLayout();
    pButtons->addStretch();
    m_pButton = new QPushButton(tr("Cancel"), this);
    pButtons->addWidget(m_pButton);
    pLayout->addLayout(pButtons);
    connect(m_pButton, &QPushButton::clicked, this, [this] {
        if (m_state == EState::Running) {
            Cancel();
        } else {
            accept();
        }
    });

    connect(&m_process, &QProcess::readyReadStandardOutput, this, &CExportVideoDlg::OnOutput);
    connect(&m_process, &QProcess::finished, this, &CExportVideoDlg::OnFinished);
    connect(&m_process, &QProcess::errorOccurred, this, &CExportVideoDlg::OnError);
    m_process.setChildProcessModifier([] {
        // Runs in the child between fork and exec: plain system calls only.
        (void)::nice(kNiceness);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // the export ends if the player dies
    });
}

CExportVideoDlg::~CExportVideoDlg() {
    if (m_process.state() != QProcess::NotRunning) {
        // Stopped by a signal the tool removes its partial file before it exits.
        m_process.disconnect(this);
        m_process.terminate();
        if (!m_process.waitForFinished(kStopWaitMs)) {
            m_process.kill();
            m_process.waitForFinished(kStopWaitMs);
        }
    }
}

void CExportVideoDlg::SetDefaultTool(const QString& strTool) {
    DefaultTool() = strTool;
}

QString CExportVideoDlg::FindTool() {
    if (!DefaultTool().isEmpty()) {
        return DefaultTool();
    }
    const QString strDir = QCoreApplication::applicationDirPath();
    for (const QString& strCandidate :
         {strDir + QStringLiteral("/cdgexport"),
          strDir + QStringLiteral("/../../tools/cdgexport/cdgexport")}) {
        const QFileInfo info(strCandidate);
        if (info.isFile() && info.isExecutable()) {
            return info.canonicalFilePath();
        }
    }
    return {};
}

void CExportVideoDlg::Start() {
    if (m_state == EState::Running || m_state == EState::Cancelling) {
        return;
    }
    if (m_strTool.isEmpty()) {
        End(EState::Failed, tr("The export program cdgexport was not found beside Quillet."));
        return;
    }
    m_state = EState::Running;
    m_strPending.clear();
    m_pButton->setText(tr("Cancel"));
    m_process.start(m_strTool, {m_strTrack, m_strOutput, QStringLiteral("--progress")});
}

void CExportVideoDlg::Cancel() {
    if (m_state != EState::Running) {
        return;
    }
    m_state = EState::Cancelling;
    m_pButton->setEnabled(false);
    m_pStatus->setText(tr("Cancelling..."));
    m_process.terminate();
}

void CExportVideoDlg::reject() {
    if (m_state == EState::Running) {
        Cancel();
        return;  // closes once the process has gone
    }
    if (m_state != EState::Cancelling) {
        QDialog::reject();
    }
}

int CExportVideoDlg::GetPercent() const {
    return m_pProgress->value();
}

QString CExportVideoDlg::GetMessage() const {
    return m_pStatus->text();
}

void CExportVideoDlg::OnOutput() {
    m_strPending += QString::fromUtf8(m_process.readAllStandardOutput());
    const int nEnd = m_strPending.lastIndexOf(QLatin1Char('\n'));
    if (nEnd < 0) {
        return;
    }
    const QStringList lines = m_strPending.left(nEnd).split(QLatin1Char('\n'));
    m_strPending.remove(0, nEnd + 1);
    // "PERCENT SPEED SECONDS-LEFT": only the latest line matters.
    const QStringList fields = lines.last().split(QLatin1Char(' '));
    if (fields.size() != 3 || m_state != EState::Running) {
        return;
    }
    bool bPercent = false;
    bool bSpeed = false;
    bool bLeft = false;
    const double dPercent = fields[0].toDouble(&bPercent);
    const double dSpeed = fields[1].toDouble(&bSpeed);
    const int nLeft = fields[2].toInt(&bLeft);
    if (!bPercent || !bSpeed || !bLeft) {
        return;
    }
    m_pProgress->setValue(static_cast<int>(dPercent));
    if (dSpeed > 0 && nLeft >= 0) {
        m_pStatus->setText(tr("%1x real time, %2:%3 left")
                               .arg(dSpeed, 0, 'f', 1)
                               .arg(nLeft / kSecondsPerMinute)
                               .arg(nLeft % kSecondsPerMinute, 2, 10, QLatin1Char('0')));
    }
}

void CExportVideoDlg::OnFinished(int nExitCode, QProcess::ExitStatus status) {
    OnOutput();
    if (m_state == EState::Cancelling) {
        End(EState::Cancelled, tr("Cancelled; no video was written."));
        QDialog::reject();
        return;
    }
    if (status == QProcess::NormalExit && nExitCode == 0) {
        m_pProgress->setValue(m_pProgress->maximum());
        End(EState::Done,
            tr("The video was saved as %1.").arg(QDir::toNativeSeparators(m_strOutput)));
        return;
    }
    // The tool's last line says why ("cdgexport: <reason>").
    QString strReason = QString::fromUtf8(m_process.readAllStandardError()).trimmed();
    strReason = strReason.section(QLatin1Char('\n'), -1);
    strReason.remove(QRegularExpression(QStringLiteral("^cdgexport: ")));
    if (strReason.isEmpty()) {
        strReason = tr("the export program stopped unexpectedly");
    }
    End(EState::Failed, tr("The export failed: %1").arg(strReason));
}

void CExportVideoDlg::OnError(QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) {
        End(EState::Failed, tr("The export program %1 could not be started.").arg(m_strTool));
    }
}

void CExportVideoDlg::End(EState state, const QString& strMessage) {
    m_state = state;
    m_pStatus->setText(strMessage);
    m_pButton->setText(tr("Close"));
    m_pButton->setEnabled(true);
    emit Finished(state);
}

CExportVideoDlg* ExportVideo(QWidget* pParent, const QString& strTrack,
                             const std::function<QString(const QString&)>& chooser) {
    if (strTrack.isEmpty()) {
        return nullptr;
    }
    const QFileInfo track(strTrack);
    const QString strSuggested =
        track.dir().filePath(track.completeBaseName() + QLatin1String(kTypes[0].pszExtension));
    const QString strOutput =
        chooser ? chooser(strSuggested) : DefaultChooser(pParent, strSuggested);
    if (strOutput.isEmpty()) {
        return nullptr;
    }
    auto* pDlg = new CExportVideoDlg(strTrack, strOutput, pParent);
    pDlg->setAttribute(Qt::WA_DeleteOnClose);
    pDlg->show();
    pDlg->Start();
    return pDlg;
}
