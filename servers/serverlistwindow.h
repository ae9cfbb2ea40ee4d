#pragma once

#include "cacheapi/ports/serverlistport.h"

#include <memory>

class FMServer;
class QLineEdit;

// The server list as the database module reaches it. The window is created,
// hidden, on first use and lives as long as this object.
class ServerListWindow : public ServerListPort
{
public:
    ServerListWindow();
    ~ServerListWindow() override;
    ServerListWindow(const ServerListWindow &) = delete;
    ServerListWindow &operator=(const ServerListWindow &) = delete;

    QString field(Field which) override;
    void setField(Field which, const QString &text) override;
    int CurrentId() override;
    QTimer &Lock() override;
    void stopLock() override;
    void showModal() override;
    void hide() override;

    // The window, created and loaded if it does not exist yet.
    FMServer &window();
    // Whether the window exists, without creating it.
    bool exists() const { return window_ != nullptr; }

private:
    QLineEdit *edit(Field which);

    std::unique_ptr<FMServer> window_;
};
