// How a read of one image file or embedded image went, for the readers that
// try a file as one format and hand it to the next reader when it is not.
#ifndef APP_FILES_IMAGE_READ_RESULT_H
#define APP_FILES_IMAGE_READ_RESULT_H

#include <QString>

struct ImageReadResult {
    enum Status {
        Unrecognised, // the file could not be opened, or its header is not of this format
        WrongKind,    // the header was read, but the pixels are not of the kind asked for
        Failed,       // the pixels could not be read (damaged or truncated data)
        Ok,
    };

    Status status = Unrecognised;
    QString error; // why it is not Ok, for the log

    bool ok() const { return status == Ok; }
    // Whether the file is of this format: its header was read.
    bool headerRead() const { return status != Unrecognised; }

    static ImageReadResult success() { return {Ok, QString()}; }
    static ImageReadResult failure(Status status, const QString& error) { return {status, error}; }
};

#endif
