#pragma once
// The splash window: a top-level window with a plain dialog frame and no title-bar buttons,
// kept out of the task bar, centred on the screen. It waits without any time limit: a key
// press while it is active, or a click anywhere on its frame Frame1 (the logo and every
// label in it), dismisses it; it then emits dismissed() (the program shows the main window)
// and closes and destroys itself.

#include <QWidget>

class QFrame;
class QLabel;

namespace kinetra {

class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    QFrame* Frame1 = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblPlatform = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblInstitution = nullptr;
    QLabel* lblLaboratory = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* lblNotice = nullptr;
    QLabel* lblEmpty = nullptr;

signals:
    void dismissed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void Form_Load();
    void dismiss();

    bool done = false;
};

// The logo: a rate curve rising in steps over a few measured points (drawn, no file).
QPixmap kinetraLogo(int size);

}  // namespace kinetra
