#include "cacheapi/objects/passwordsecret.h"

#include <QCryptographicHash>

QString PasswordSecret::derive(const QString &typedPassword)
{
    const QByteArray input = QByteArrayLiteral("KARVEN-Passwort-1:") + typedPassword.toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(input, QCryptographicHash::Sha256).toHex());
}
