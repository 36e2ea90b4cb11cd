// Finding the template script.
#include "wizard/template_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "upgrade/file_names.h"

std::string findTemplateScript() {
    const QString name = QString::fromLatin1(kTemplateName);
    if (QFileInfo(name).isFile()) return kTemplateName;
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    if (QFileInfo(beside).isFile()) return QFile::encodeName(beside).toStdString();
    return kTemplateName;
}
