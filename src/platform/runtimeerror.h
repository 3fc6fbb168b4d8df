#pragma once

#include <QString>

#include <exception>

// A failure that ends the handler it happens in and reaches the window, which reports it in the
// manner of a run-time error box: its number and its name.
class RuntimeError : public std::exception
{
public:
    static RuntimeError subscriptOutOfRange() { return {9, QStringLiteral("Subscript out of range")}; }
    static RuntimeError typeMismatch() { return {13, QStringLiteral("Type mismatch")}; }
    static RuntimeError regexSyntax() { return {5017, QStringLiteral("Syntax error in regular expression")}; }

    int number() const { return m_number; }
    QString name() const { return m_name; }
    QString report() const { return QStringLiteral("Run-time error '%1':\n\n%2").arg(m_number).arg(m_name); }
    const char *what() const noexcept override { return "run-time error"; }

private:
    RuntimeError(int number, QString name) : m_number(number), m_name(std::move(name)) {}

    int m_number;
    QString m_name;
};
