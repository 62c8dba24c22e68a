package samples;

/** Opens the Swing login window and then the AWT window in one Java process. */
public final class BothApps {
    private BothApps() {
    }

    public static void main(String[] args) {
        LoginApp.open();
        AwtApp.open();
        Launch.announceWindowsOpen();
    }
}
