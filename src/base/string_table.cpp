// The program's string table: every user-visible text, by number.
// msg() formats these; see app/msg.h.
#include "base/string_table.h"

namespace {

struct string_entry {
    int id;
    const char* text;
};

// Sorted by number.
constexpr string_entry entries[] = {
    {1, "Vireo was unable to locate a suitable rendering driver.  Please make sure your display driver is installed correctly.  If this problem persists, write to support@vireo.invalid for help."},
    {5, "Insufficient memory to create camera"},
    {6, "Unable to create camera"},
    {7, "Error"},
    {8, "Vireo"},
    {9, "Unable to create scene"},
    {10, "There is no citizen with the name \"%s\""},
    {11, "Unable to access models"},
    {13, "Unable to initialize avatars (reason %d)"},
    {14, "Unable to establish font"},
    {15, "The initialization file couldn't be located. Ensure the working directory is set to where this program resides."},
    {16, "Unable to access cell cache"},
    {18, "Unable to connect to network (reason %d)"},
    {21, "Unable to setup focus fields"},
    {23, "Unable to setup message field"},
    {25, "%d meters"},
    {26, "%3.1f frames/sec"},
    {27, "receiving response"},
    {30, "Unable to initialize colors"},
    {43, "%s %.2f"},
    {44, "About %s"},
    {48, "This version of %s is out of date and needs to be upgraded.  Press OK to upgrade now, or Cancel to exit."},
    {49, "There is a newer version of %s available.  Press OK to upgrade now, Skip to continue with this version, or Cancel to exit."},
    {52, "Unable to upgrade. (reason %d)"},
    {53, "Insufficient memory to run upgrade"},
    {54, "Couldn't find 'upgrade.exe'."},
    {56, "Build %d"},
    {57, "You are running standalone."},
    {58, "Unable to send telegram (reason %d)"},
    {59, "Your email address must be no more than 50 characters."},
    {60, "Your email address must be at least 8 characters."},
    {61, "You have a telegram."},
    {62, "starting"},
    {63, "%.1f Megabytes"},
    {64, "Calculating..."},
    {66, "Immigrating..."},
    {68, "Your name must contain only alphanumeric (A-Z; a-z; 0-9) characters."},
    {69, "Your name must not start with or contain consecutive blanks."},
    {70, "Your name cannot end with a blank."},
    {72, "Your name must be at least 2 characters."},
    {74, "Your password must be at least 4 characters."},
    {75, "Sorry, the name \"%s\" is already in use by another citizen.  Please try another name (tip: try something really creative!)"},
    {76, "Internet communication failed during immigration. (reason %d)"},
    {77, "Internet communications are being established. If this takes too long, check your Internet connection..."},
    {79, "BE ADVISED: Since your identity couldn't be verified, you will not see anyone else nor will anything you build be saved during this session."},
    {80, "%s appears to be closed at this time. Please try again later."},
    {81, "All Alone"},
    {82, "Unable to initialize database"},
    {86, "Unable to load web browser!  The web pane needs the system's web browser component; make sure a web browser is installed and try again."},
    {87, "Look level"},
    {90, "Your email address contains one or more invalid characters."},
    {91, "Your email address must contain at least one \".\""},
    {92, "Your email address must contain a \"@\""},
    {93, "Your email address cannot start with a blank."},
    {94, "Your email address cannot end with a blank."},
    {97, "Your citizen number is %d"},
    {98, "The password you gave is incorrect."},
    {99, "You are %s the tourist."},
    {100, "You need at least 8 megabytes of memory to run %s."},
    {102, "Unable to access zone cache"},
    {104, "Unable to set up toolbar"},
    {105, "Teleport Forward"},
    {106, "Teleport Back"},
    {117, "Mouse mode"},
    {118, "%3.1f K/sec"},
    {120, "Look up"},
    {121, "Look down"},
    {122, "First person"},
    {123, "Third person"},
    {124, "Unable to setup console"},
    {125, "Building Inspector"},
    {131, "Back"},
    {132, "Forward"},
    {133, "Stop"},
    {134, "Refresh"},
    {135, "Sorry, %s requires either Windows 95 or Windows NT (4.0 or later).  Windows 3.1 is not supported."},
    {136, "Querying citizen information..."},
    {137, "Unable to obtain citizen information (reason %d)"},
    {138, "Setting new citizen information..."},
    {139, "Unable to set citizen information (reason %d)"},
    {140, "Your display is using a%s %d-bit color palette. For best results, set your display to use a High Color (16-bit) color palette before running %s."},
    {141, "%d of %d"},
    {142, "You must enter a name."},
    {144, "just now"},
    {145, "%d minutes ago"},
    {146, "Sorry, there is no world called \"%s\" running at this time."},
    {151, "Unable to load splash screen (reason %d)"},
    {153, "Your passwords do not match.  Please re-enter."},
    {154, "Logging in..."},
    {155, "Login failed (reason %d)"},
    {156, "Requesting password..."},
    {157, "Your password has been emailed to the address you provided during immigration.  "},
    {158, "Sorry, we are not able to email passwords at this time (reason %d.) Please try again later."},
    {159, "Unable to locate your home world (it may not be running right now.)  Vireo will attempt to start in another world."},
    {160, "Immigration Officer"},
    {161, "Operator"},
    {162, "Welcome to %s, %s"},
    {163, "Sorry, we are unable to complete this operation at this time.  Please try again later."},
    {164, "%d Worlds"},
    {165, "%d Users"},
    {168, "Add contact"},
    {169, "Enter name of citizen to add:"},
    {170, "Add new contact..."},
    {171, "Send telegram..."},
    {172, "Remember this location"},
    {173, "Remember this location as:"},
    {174, "Open web location"},
    {175, "Enter URL:"},
    {176, "Join"},
    {177, "Sending telegram..."},
    {178, "Delete"},
    {179, "Name"},
    {180, "World"},
    {181, "Verify email address"},
    {182, "Please verify the email address for %s:"},
    {184, "Vireo was unable to find a world to start in.  Please try again later."},
    {186, "Unable to initialize Internet functions (reason %d)"},
    {187, "< No such user >"},
    {188, "Application to acquire privileges of %s accepted."},
    {189, "Application to acquire privileges of %s rejected due to invalid password"},
    {190, "Application to acquire privileges of citizen %d failed: citizen does not exist."},
    {191, "Application to acquire privileges of citizen %d failed (reason %d)"},
    {192, "Sorry, someone else is already in Vireo with the same name and password.  Please try again later, and remember: never give your name and password to other people."},
    {193, "Worlds"},
    {194, "Contacts"},
    {195, "Help"},
    {196, "%s would like to join you.  Type 'y' to accept this request, or 'n' to reject it."},
    {197, "Sorry, your request to join %s was refused."},
    {198, "You are being joined by %s."},
    {199, "Sorry, the email address you gave does not match."},
    {201, "Your privilege password must be at least 4 characters."},
    {202, "Application to acquire privileges of %s failed: citizen does not exist."},
    {203, "Vireo was unable to load the Direct3D rendering driver.  Vireo will now attempt to load a different driver."},
    {204, "Vireo was unable to load the MMX rendering driver.  Vireo will now attempt to load a different driver."},
    {205, "Unable to initialize viewport"},
    {206, "Unable to initialize tab window"},
    {207, "You have changed your graphics acceleration settings.  You will need to restart Vireo for this change to take effect."},
    {211, "Unable to eject (%s has not spoken yet)"},
    {213, "Telegrams"},
    {214, "Sent"},
    {215, "From"},
    {216, "Reply..."},
    {217, "Remove"},
    {218, "Login disabled (too many failures)"},
    {219, "Immigration disabled (too many failures)"},
    {220, "No response to request to join %s."},
    {221, "Unable to load %s: %s"},
    {222, "Sorry, the system is currently full.  Please try again later."},
    {229, "Join request failed (reason %d)"},
    {239, "In order to access the Integerated Help, please start your web browser (either Netscape or Internet Explorer)"},
};

constexpr int entry_count = static_cast<int>(sizeof(entries) / sizeof(entries[0]));

constexpr bool entries_strictly_ascending()
{
    for (int i = 1; i < entry_count; ++i) {
        if (entries[i - 1].id >= entries[i].id)
            return false;
    }
    return true;
}

static_assert(entries_strictly_ascending(),
              "string table entries must be sorted by number without duplicates");

}  // namespace

const char* string_table_get(int id)
{
    int low = 0;
    int high = entry_count - 1;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        const int mid_id = entries[mid].id;
        if (mid_id == id)
            return entries[mid].text;
        if (mid_id < id)
            low = mid + 1;
        else
            high = mid - 1;
    }
    return nullptr;
}
