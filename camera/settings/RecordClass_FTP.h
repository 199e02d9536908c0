#pragma once
// FTP upload record ("captureImageFTP.bin"): the upload schedule, the server
// and the upload options. The FTP client and the upload thread plug in
// through FtpUploadMachinery so this record stays free of network code.
//
// File: int32 N, N entries of 100 bytes, int32 snapInterval, byte dirByDate,
// byte fixedNameOn, int32 uploadInterval, int32 uploadBatch, texts fixedName,
// ftpHost, ftpPort, ftpUser, ftpPassword, ftpFolder, byte
// uploadMotionPictures. A text is int32 L (bytes) then L bytes of UTF-16LE.
#include "RecordClass_Broadcast.h"
#include "UploadQueue.h"

#include <QObject>

#include <cstdint>
#include <memory>

namespace quorvel {

class RecordClass_FTP;

// The FTP client and its upload thread, supplied by the FTP layer.
class FtpUploadMachinery {
public:
    virtual ~FtpUploadMachinery() = default;
    // Takes over host, port, user, password and folder of the record.
    virtual void applySettings(const RecordClass_FTP &record) = 0;
    // Stops a running upload thread, then starts a new one over `queue`.
    virtual void startUploadThread(RecordClass_FTP &record, UploadQueue *queue) = 0;
    // Asks the upload thread to stop; must not return while the thread can
    // still touch the record or the client.
    virtual void stopUploadThread() = 0;
};

class RecordClass_FTP : public RecordClass_Broadcast {
public:
    RecordClass_FTP(int cameraIndex, const QString &fileName, const QString &userFolder,
                    UploadQueue *uploadQueue = nullptr, QObject *ftpOwner = nullptr);
    // Stops the upload thread, then writes the file.
    ~RecordClass_FTP() override;

    QObject *ftpOwner = nullptr;
    UploadQueue *uploadQueue = nullptr; // the camera's queue, not owned
    std::int32_t snapInterval = 5;
    QString ftpHost;
    QString ftpPort = QStringLiteral("21");
    QString ftpUser;
    QString ftpPassword;
    QString ftpFolder;
    std::uint8_t dirByDate = 0;
    std::uint8_t fixedNameOn = 0;
    QString fixedName;
    std::uint8_t uploadMotionPictures = 0;
    std::int32_t uploadInterval = 120;
    std::int32_t uploadBatch = 30;

    // The FTP layer installs its client here (owned); until then the three
    // calls below do nothing.
    void setUploadMachinery(std::unique_ptr<FtpUploadMachinery> machinery);
    FtpUploadMachinery *uploadMachinery() const { return m_machinery.get(); }
    void applyFtpSettings();
    void startUploadThread();
    void stopUploadThread();

    QByteArray toBytes() const override;
    void loadFromBytes(const QByteArray &bytes) override;

private:
    std::unique_ptr<FtpUploadMachinery> m_machinery;
};

} // namespace quorvel
