#include "connectionrecord.h"

ConnectionRecord Verbindung;

void resetConnectionRecord()
{
    Verbindung = ConnectionRecord();
}
