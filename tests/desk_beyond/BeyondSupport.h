#pragma once
// Helpers for the list tests: running real readers (openpyxl, pdftotext) and
// making visits.
#include "Storemanage_visit.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace vondrel::beyond {

inline QString u8(const char *utf8) { return QString::fromUtf8(utf8); }

// Runs a program to its end; its standard output, or nothing (with a test
// failure) when it cannot run or fails.
inline std::optional<QByteArray> runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return std::nullopt;
    }
    return p.readAllStandardOutput();
}

// The workbook as openpyxl reads it (see read_xlsx.py).
inline QJsonObject readWorkbook(const QString &path)
{
    const auto out = runTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral(VONDREL_READ_XLSX), path});
    if (!out)
        return {};
    return QJsonDocument::fromJson(*out).object();
}

inline visitInfo makeVisit(const char *name, const char *entry, const char *leave = "")
{
    visitInfo v;
    v.name = u8(name);
    v.sex = u8("男");
    v.birthDate = u8("1980-05-02");
    v.docType = u8("身份证");
    v.docNumber = u8("110108198005020018");
    v.phone = u8("01062345678");
    v.workUnit = u8("某某科技有限公司");
    v.address = u8("北京市海淀区");
    v.visitee = u8("王主任");
    v.reason = u8("访友");
    v.entryTime = u8(entry);
    v.leaveTime = u8(leave);
    v.guardOnDuty = u8("admin");
    return v;
}

} // namespace vondrel::beyond
