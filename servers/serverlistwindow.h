#pragma once

#include "ports/serverlistport.h"

#include <QPointer>

class FMServer;
class QLineEdit;

// The server list as the database module reaches it. The window is created on
// first use, hidden, and again after the user closed it through its frame.
class ServerListWindow : public ServerListPort
{
public:
    ~ServerListWindow() override;

    QString field(Field which) override;
    void setField(Field which, const QString &text) override;
    int CurrentId() override;
    QTimer &Lock() override;
    void showModal() override;
    void hide() override;

    // The window, created and loaded if it does not exist yet.
    FMServer &window();
    // Whether the window exists, without creating it.
    bool exists() const { return !window_.isNull(); }

private:
    QLineEdit *edit(Field which);

    QPointer<FMServer> window_;
};
