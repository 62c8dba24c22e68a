package samples;

/**
 * Opens the Swing login window and then the AWT window in one Java process; with the argument
 * "awt-first", the AWT window first (the windows are listed in another order).
 */
public final class BothApps {
    private BothApps() {
    }

    public static void main(String[] args) {
        if (args.length > 0 && args[0].equals("awt-first")) {
            AwtApp.open();
            LoginApp.open();
        } else {
            LoginApp.open();
            AwtApp.open();
        }
        Launch.announceWindowsOpen();
    }
}
