// How a session that opens treats the edge-finding values.
#ifndef APP_MODEL_GM_SESSION_H
#define APP_MODEL_GM_SESSION_H

class GmSession {
public:
    enum SettingsPreservation {
        // The values stay as they are (a project brings its own).
        KeepSettings = 0,
        // A new image: unless the preference "PersistOptions" is on, the
        // resolution is chosen for the image's size and the edge values start
        // from the engine's suggestion.
        SettingsForNewImage = 1,
    };
};

#endif
