// The control file of control-file mode ("--xmlgp file"): a small XML file
// whose element with the id "imageIn" names the input image and whose element
// with the id "imageOut" names the output file, each in its "src" attribute.
// Paths are taken relative to the control file's folder unless absolute.
//
//   <job><image id="imageIn" src="photo.png"/><image id="imageOut" src="cut.png"/></job>
//
// One control file is current in the process (the one on the command line,
// or the last one the desktop asked to open); loading it sets the process's
// input and output paths.
#ifndef APP_SHELL_GAS_PIPE_H
#define APP_SHELL_GAS_PIPE_H

#include <QDomDocument>
#include <QDomElement>
#include <QMap>
#include <QObject>
#include <QString>

class GasPipe : public QObject {
    Q_OBJECT
public:
    explicit GasPipe(const QString& fileName, QObject* parent = nullptr);

    QString fileName() const { return fileName_; }

    // Reads the file, indexes its elements by their "id" attribute (the
    // later of two with the same id wins) and sets the process's input and
    // output paths. Throws the QString "Unable to open XML control file: "
    // and the name when the file cannot be opened; answers false, leaving
    // the paths as they were, when it is no well-formed XML.
    bool load();

    // The element indexed under `id`; a null element when there is none.
    QDomElement element(const QString& id) const;
    // The attribute `name` of element(id); empty when either is missing.
    QString attribute(const QString& id, const QString& name) const;

    // `src` taken relative to the control file's absolute folder, unless it is absolute.
    QString resolvedPath(const QString& src) const;

private:
    void buildIndex();
    void indexElement(const QDomElement& element);

    QString fileName_;
    QDomDocument document_;
    QMap<QString, QDomElement> index_;
};

// The current control file, or null. Setting one deletes the previous one;
// null deletes the current one.
GasPipe* currentControlFile();
void setCurrentControlFile(GasPipe* controlFile);

// The paths the last loaded control file named; empty before any was loaded.
QString controlFileInputPath();
QString controlFileOutputPath();

#endif
