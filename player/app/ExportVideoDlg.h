// CExportVideoDlg: exports the current track to a video through the cdgexport tool, with
// progress and Cancel, while the player goes on playing.
#pragma once

#include <functional>

#include <QDialog>
#include <QProcess>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

// The export runs in a cdgexport process of its own (at a lower priority, so playback
// keeps its share of the processor); its progress lines and exit arrive as QProcess
// signals on the UI thread, so nothing here blocks or runs on another thread. Closing the
// dialog or Cancel stops the process, which removes its partial file.
class CExportVideoDlg : public QDialog {
    Q_OBJECT

public:
    enum class EState { Idle, Running, Cancelling, Done, Failed, Cancelled };

    CExportVideoDlg(const QString& strTrack, const QString& strOutput, QWidget* pParent = nullptr);
    ~CExportVideoDlg() override;

    // The cdgexport program: beside this program (an install), or where the build tree
    // puts it; empty when there is none. SetDefaultTool replaces the search for every new
    // dialog (an empty name restores it), SetToolPath for this one (tests).
    static QString FindTool();
    static void SetDefaultTool(const QString& strTool);
    void SetToolPath(const QString& strTool) { m_strTool = strTool; }

    // Starts the export; a failure to start shows in the dialog like any other.
    void Start();
    void Cancel();

    EState GetState() const { return m_state; }
    int GetPercent() const;
    // The message shown when the export ended (the tool's own reason on a failure).
    QString GetMessage() const;

    // Escape and the close box cancel a running export; the dialog closes once it stopped.
    void reject() override;

signals:
    void Finished(CExportVideoDlg::EState state);

private:
    void OnOutput();
    void OnFinished(int nExitCode, QProcess::ExitStatus status);
    void OnError(QProcess::ProcessError error);
    void End(EState state, const QString& strMessage);

    QString m_strTrack;
    QString m_strOutput;
    QString m_strTool;
    QProcess m_process;
    QString m_strPending;  // a progress line not yet complete
    EState m_state = EState::Idle;
    QLabel* m_pStatus = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QPushButton* m_pButton = nullptr;
};

// "Export video...": asks where to save the current track's video (the chooser stands in
// for the save dialog in tests; it returns an empty name to cancel), then shows the
// progress dialog, which deletes itself when closed. Returns it, or null if not started.
CExportVideoDlg* ExportVideo(
    QWidget* pParent, const QString& strTrack,
    const std::function<QString(const QString& strSuggested)>& chooser = {});
