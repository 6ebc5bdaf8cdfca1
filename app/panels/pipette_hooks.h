// What the complex blending options need of the tools, whose library sits
// above the panels': pipette tools that take one colour from the image. The
// tools' side (the main window, once the pipette tool exists) installs a
// factory when it is built and removes it when it goes:
//
//   setPipetteFactory([](const QString& name, const QString& translatedName) {
//       auto* tool = new PipetteTool(name, translatedName);
//       return Pipette{tool, tool->action()};
//   });
//   ...
//   setPipetteFactory(nullptr);
//
// Until a factory is installed the blending options are built without
// pipettes. User-interface thread only.
#ifndef APP_PANELS_PIPETTE_HOOKS_H
#define APP_PANELS_PIPETTE_HOOKS_H

#include <QString>

#include <functional>

class QAction;
class QObject;

// A pipette made by the factory: the tool, a QObject with the signals
// pipetteToolColourSelected(QColor) and pipetteToolSelected(bool), and the
// action that selects it. Whoever asked for it owns the tool from then on
// and deletes it (the action goes with the tool).
struct Pipette {
    QObject* tool = nullptr;
    QAction* action = nullptr;
};

using PipetteFactory = std::function<Pipette(const QString& name, const QString& translatedName)>;

// Installs `factory`; an empty one removes it.
void setPipetteFactory(PipetteFactory factory);

// A new pipette named `name` whose action reads `translatedName`; an empty
// one (both null) while no factory is installed.
Pipette createPipette(const QString& name, const QString& translatedName);

#endif
