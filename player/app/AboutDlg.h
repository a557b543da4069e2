// CAboutDlg: the About box, with the program's name, notices and the maker's link.
#pragma once

#include <QDialog>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    QLabel* m_link = nullptr;  // control 1007
};
