#pragma once

namespace tornel {

struct AppState;
struct ConfirmedSettings;

// What OK in the settings dialog sets in motion, in this order: the node
// stops listening; the settings and the server list take the confirmed
// values; "Settings.xml" is written; the node takes the name, listens on
// Port again and takes the advanced settings; servers no longer listed are
// disconnected (and no longer retried) and every listed one is connected.
// Each step on the node that fails is logged under "cmdOK_Click" and the
// next one runs, so settings are stored and saved also while the node is
// not up. The other settings take effect where they are next read.
void applySettings(AppState& state, const ConfirmedSettings& settings);

}  // namespace tornel
