#include "about/frmabout.h"

#include "about/aboutpictures.h"
#include "about/nativesysteminfo.h"
#include "about/versiontext.h"
#include "controls/twips.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

// The client area: wide enough for the picture at the right edge, high enough for the web link.
const QSize ClientTwips(8190, 3750);
constexpr qreal SmallestFontPoints = 6;

} // namespace

QPointer<frmAbout> frmAbout::s_instance;

frmAbout::frmAbout(std::unique_ptr<SystemInfoPlatform> platform, NoticeFunction notify)
    : platform_(std::move(platform)), notify_(std::move(notify))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(TwipsScale(*this).size(ClientTwips));
    const qreal ratio = devicePixelRatioF();

    auto *picIcon = addLabel(QStringLiteral("picIcon"), {}, QRect(240, 240, 540, 540));
    picIcon->setAlignment(Qt::AlignCenter);
    picIcon->setPixmap(programIcon(QSize(32, 32), ratio));

    addLabel(QStringLiteral("Producktname"), QStringLiteral("Produktname"),
             QRect(1080, 240, 975, 495));
    lblTitle = addLabel(QStringLiteral("lblTitle"), {}, QRect(2290, 240, 3135, 495));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    addLabel(QStringLiteral("Version"), QStringLiteral("Version "), QRect(1080, 840, 975, 255));
    lblVersion = addLabel(QStringLiteral("lblVersion"), {}, QRect(2290, 840, 3135, 255));

    addLabel(QStringLiteral("lblKontakt"), QStringLiteral("Kontakt:"), QRect(1080, 1200, 975, 255));
    addLink(QStringLiteral("ctHyperLink1"), QStringLiteral("mailto:it-service@karven.example"),
            QStringLiteral("it-service@karven.example"), QRect(2280, 1200, 3135, 255));

    addLabel(QStringLiteral("Description"), QStringLiteral("Beschreibung"),
             QRect(1080, 1560, 975, 495));
    addLabel(QStringLiteral("lblDescription"), QStringLiteral("Beschreibung"),
             QRect(2290, 1560, 3135, 495));
    addLabel(QStringLiteral("Erstellt"),
             QStringLiteral("Erstellt am xx.xx.'xx Letzte Korrektur xx.xx.'xx"),
             QRect(1080, 2160, 4455, 255));

    // An etched separator: a grey line with a white one just below and to the right, each
    // one pixel high at any resolution.
    const struct
    {
        QColor colour;
        QRect twips;
    } etching[] = {{Qt::white, QRect(105, 2460, 5654 - 105, 15)},
                   {QColor(0x80, 0x80, 0x80), QRect(90, 2445, 5654 - 90, 15)}};
    for (const auto &line : etching) {
        auto *Line1 = new QFrame(this);
        Line1->setObjectName(QStringLiteral("Line1"));
        Line1->setAutoFillBackground(true);
        QPalette colours = Line1->palette();
        colours.setColor(QPalette::Window, line.colour);
        Line1->setPalette(colours);
        place(Line1, line.twips);
        Line1->setFixedHeight(1);
    }

    auto *cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    place(cmdOK, QRect(4245, 2760, 1260, 345));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *cmdSysInfo = new QPushButton(QStringLiteral("&Systeminfo..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    place(cmdSysInfo, QRect(4260, 3240, 1245, 345));
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { StartSysInfo(*platform_, notify_); });

    addLink(QStringLiteral("ctHyperLink2"), QStringLiteral("https://www.karven.example"),
            QStringLiteral("www.karven.example"), QRect(480, 3480, 3255, 255));

    auto *Image2 = addLabel(QStringLiteral("Image2"), {}, QRect(5760, 0, 2430, 3675));
    Image2->setPixmap(timeClockTerminal(ratio));

    const QRect image1Twips(480, 2640, 3255, 795);
    auto *Image1 = addLabel(QStringLiteral("Image1"), {}, image1Twips);
    Image1->setScaledContents(true);
    Image1->setPixmap(brickWallBand(TwipsScale(*this).size(image1Twips.size()), ratio));

    fitFontToCaptions();
    cmdOK->setFocus();
    Form_Load();
}

frmAbout *frmAbout::showAbout()
{
    if (!s_instance)
        s_instance = new frmAbout(std::make_unique<NativeSystemInfo>());
    s_instance->show();
    s_instance->raise();
    s_instance->activateWindow();
    return s_instance;
}

void frmAbout::Form_Load()
{
    const QString title = QStringLiteral(KARVEN_APP_TITLE);
    setWindowTitle(QStringLiteral("Info zu ") + title);
    lblVersion->setText(versionText(QStringLiteral(KARVEN_VERSION)));
    lblTitle->setText(title);
}

// The layout is fixed in twips and was made for a small font; the desktop's font may be wider.
// The dialog's font shrinks until every caption fits its label on one line.
void frmAbout::fitFontToCaptions()
{
    QList<const QLabel *> captions;
    for (const QLabel *label : findChildren<QLabel *>()) {
        if (label->textFormat() == Qt::PlainText && !label->text().isEmpty())
            captions << label;
    }
    QFont fitting = font();
    const auto fits = [&captions](const QFont &trial) {
        const QFontMetrics metrics(trial);
        for (const QLabel *caption : captions) {
            if (metrics.horizontalAdvance(caption->text()) > caption->contentsRect().width())
                return false;
        }
        return true;
    };
    while (!fits(fitting) && fitting.pointSizeF() > SmallestFontPoints)
        fitting.setPointSizeF(fitting.pointSizeF() - 0.5);
    setFont(fitting);
}

QLabel *frmAbout::addLabel(const QString &name, const QString &text, const QRect &twips)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    place(label, twips);
    return label;
}

QLabel *frmAbout::addLink(const QString &name, const QString &url, const QString &text,
                          const QRect &twips)
{
    QLabel *link = addLabel(name, {}, twips);
    link->setTextFormat(Qt::RichText);
    link->setText(QStringLiteral("<a href=\"%1\">%2</a>").arg(url, text.toHtmlEscaped()));
    link->setOpenExternalLinks(true);
    link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    return link;
}

void frmAbout::place(QWidget *control, const QRect &twips)
{
    TwipsScale(*this).place(control, twips);
}
