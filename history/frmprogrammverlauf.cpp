#include "history/frmprogrammverlauf.h"

#include "controls/ctlist.h"
#include "controls/twips.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace {

constexpr int MaxEntries = 100;
const QChar Separator = QLatin1Char(';');

} // namespace

QPointer<frmProgrammverlauf> frmProgrammverlauf::s_instance;

frmProgrammverlauf &frmProgrammverlauf::instance()
{
    if (!s_instance)
        s_instance = new frmProgrammverlauf;
    return *s_instance;
}

void frmProgrammverlauf::unload()
{
    if (!s_instance)
        return;
    s_instance->close();
    delete s_instance;
}

frmProgrammverlauf::frmProgrammverlauf() : QWidget(nullptr, Qt::Tool), Verlauf(new CtList(this))
{
    setWindowTitle(QStringLiteral("Programmverlauf"));
    Verlauf->setColumns({{QStringLiteral("Programmteil"), 175},
                         {QStringLiteral("Text"), 275},
                         {QStringLiteral("Parameter"), 595}},
                        Separator);
    // Messages of the server often have several lines.
    Verlauf->setRowsFitText(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Verlauf);
    resize(TwipsScale(*this).size(QSize(8550, 4320)));
}

void frmProgrammverlauf::StatusText(const QString &Programmteil, const QString &Text,
                                    const QString &Parameter)
{
    const QString line = Programmteil + Separator + Text + Separator + Parameter;
    Verlauf->insertRow(0, line);
    // A ";" inside a text would shift the columns when the line is split; each text
    // belongs in its own column.
    Verlauf->setCellText(0, 1, Programmteil);
    Verlauf->setCellText(0, 2, Text);
    Verlauf->setCellText(0, 3, Parameter);
    Verlauf->removeRow(MaxEntries);
}

void frmProgrammverlauf::showFrom(QWidget *owner)
{
    if (parentWidget() != owner)
        setParent(owner, windowFlags()); // reparenting hides the window; shown again below
    show();
    raise();
    activateWindow();
}

const CtList &frmProgrammverlauf::entries() const
{
    return *Verlauf;
}

// The user's close box only hides the window; closing for any other reason (the program
// unloading its windows) goes ahead.
void frmProgrammverlauf::closeEvent(QCloseEvent *event)
{
    if (event->spontaneous()) {
        event->ignore();
        hide();
        return;
    }
    event->accept();
}
