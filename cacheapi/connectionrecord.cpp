#include "cacheapi/connectionrecord.h"

ConnectionRecord &Verbindung = *new ConnectionRecord;

void resetConnectionRecord()
{
    Verbindung = ConnectionRecord();
}
