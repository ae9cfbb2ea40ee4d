#pragma once

#include <QString>
#include <exception>
#include <string>

// The one error every failing server call raises: a number and a description,
// as the database server's own client reports them.
class CacheError : public std::exception
{
public:
    CacheError(qint32 number, QString description)
        : number_(number), description_(std::move(description)),
          what_(description_.toStdString())
    {
    }

    qint32 number() const { return number_; }
    const QString &description() const { return description_; }
    const char *what() const noexcept override { return what_.c_str(); }

private:
    qint32 number_;
    QString description_;
    std::string what_;
};
