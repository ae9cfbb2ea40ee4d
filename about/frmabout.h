#pragma once

#include "about/systeminfo.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class QLabel;

// The about box: program title and version, contact and web links, and the start of the
// system information tool. Modeless and without owner; "OK" closes and destroys it.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(std::unique_ptr<SystemInfoPlatform> platform,
                      NoticeFunction notify = showNotice);

    // Shows the about box, creating it when none is open, and brings it to the front.
    static frmAbout *showAbout();

private:
    void Form_Load();
    QLabel *addLabel(const QString &name, const QString &text, const QRect &twips);
    QLabel *addLink(const QString &name, const QString &url, const QString &text,
                    const QRect &twips);
    void place(QWidget *control, const QRect &twips);
    void fitFontToCaptions();

    static QPointer<frmAbout> s_instance;

    std::unique_ptr<SystemInfoPlatform> platform_;
    NoticeFunction notify_;

    QLabel *lblTitle;
    QLabel *lblVersion;
};
