#pragma once

namespace pagolux {

// Makes the texts that libraries translate through gettext (GTK's dialogs and buttons,
// WebKitGTK's messages) German, as the viewer's own texts are, whatever language the desktop
// has: German is asked for first; where no German locale is installed, the messages locale
// becomes C.UTF-8, because gettext ignores the language list under the plain C locale but not
// under C.UTF-8. Dates, numbers and sorting keep the user's locale. Call once, before the
// toolkit starts; returns the messages locale now in use.
const char* useGermanMessages();

} // namespace pagolux
