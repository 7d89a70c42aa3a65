#include "shell/outputfile.h"

#include <QFileInfo>
#include <QSaveFile>

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() {
    cancel();
}

QString OutputFile::resolvedTarget(const QString& fileName) {
    // Follow the chain of links one by one, so a link to a file that does not exist yet still
    // names the file to create; a loop of links gives up and writes the name itself.
    QFileInfo info(fileName);
    for (int hops = 0; hops < 40; ++hops) {
        if (!info.isSymLink())
            return info.filePath();
        info.setFile(info.symLinkTarget());
    }
    return fileName;
}

bool OutputFile::open(const QString& fileName) {
    cancel();
    if (fileName.isEmpty())
        return false;
    const QString target = resolvedTarget(fileName);
    m_file = std::make_unique<QSaveFile>(target);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_file.reset();
        return false;
    }
    const QFileInfo existing(target);
    if (existing.exists())
        m_file->setPermissions(existing.permissions());
    m_ok = true;
    return true;
}

bool OutputFile::write(std::string& bytes) {
    if (m_file && m_ok && !bytes.empty()) {
        const qint64 size = static_cast<qint64>(bytes.size());
        m_ok = m_file->write(bytes.data(), size) == size;
    }
    bytes.clear();
    return m_ok;
}

bool OutputFile::commit() {
    if (!m_file)
        return false;
    if (!m_ok) {
        cancel();
        return false;
    }
    const bool done = m_file->commit();
    m_file.reset();
    m_ok = false;
    return done;
}

void OutputFile::cancel() {
    if (m_file)
        m_file->cancelWriting();
    m_file.reset();
    m_ok = false;
}
