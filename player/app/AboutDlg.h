// CAboutDlg: the About box, with the program's name, notices and the maker's link.
#pragma once

#include <QDialog>

namespace tindlib {
class CHyperLink2;
}

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    tindlib::CHyperLink2* m_link = nullptr;  // control 1007
};
