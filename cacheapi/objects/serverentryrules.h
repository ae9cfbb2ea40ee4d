#pragma once

#include <QString>

// One entry of the company's server list, as it is typed and shown.
struct ServerEntryFields
{
    QString name;
    QString company;
    QString branch;
    QString server;
    QString port;
    QString nameSpace;
};

// What keeps a workstation from using the entry, in German for the person who
// typed it; empty when there is nothing. The longest name an entry may have.
constexpr int longestServerEntryName = 60;
QString serverEntryProblem(const ServerEntryFields &entry);
