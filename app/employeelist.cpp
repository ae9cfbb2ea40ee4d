#include "app/employeelist.h"

#include "cacheapi/cacheapi.h"
#include "controls/ctcombo.h"
#include "controls/rowbatch.h"

void fillActiveEmployees(CtCombo &combo)
{
    ZugriffBeginn(false);
    std::unique_ptr<ResultSet> rows = Verbindung.CacheFactory->openResultSet(
        QStringLiteral("KV.PersBasis"), QStringLiteral("ListeAktiv"));
    rows->execute({Verbindung.Firma});
    combo.removeAllEntries();
    {
        const RowBatch batch(combo);
        while (rows->next()) {
            const QString number = rows->data(1).toString();
            combo.addEntry(number + QLatin1Char('\n') + rows->data(2).toString());
            combo.setKeyText(combo.entryCount() - 1, number);
        }
    }
    ObjektSchliessen(rows);
    ZugriffEnde(false);
}
