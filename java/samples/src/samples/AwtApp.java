package samples;

import java.awt.Button;
import java.awt.Component;
import java.awt.Container;
import java.awt.Dialog;
import java.awt.Frame;
import java.awt.Label;
import java.awt.TextComponent;
import java.awt.TextField;
import java.awt.Window;
import java.awt.event.WindowAdapter;
import java.awt.event.WindowEvent;

/**
 * Plain AWT sample application (heavyweight components only), with static controls and
 * observables for tests. Fixed bounds under a null layout, as in the Swing sample.
 */
public final class AwtApp {
    private static Frame frame;
    private static Dialog dialog;
    private static int okCount;

    /**
     * A client reaches the static members below through an instance (NewDefJavaObject): the
     * bridge looks static members up in the class of the object a handle names.
     */
    public AwtApp() {
    }

    public static void main(String[] args) {
        open();
        Launch.announceWindowsOpen();
    }

    /** Shows the AWT window and returns once it is showing and listed as opened. */
    static void open() {
        EventThread.run(() -> {
            if (frame == null) {
                frame = createFrame();
            }
            frame.setVisible(true);
        });
        EventThread.settle();
    }

    /** How often the "OK" button's action has run. */
    public static synchronized int okCount() {
        return okCount;
    }

    /** Current text of the AWT window's text component named {@code name}, or null. */
    public static String text(String name) {
        return EventThread.call(() -> {
            TextComponent field = Components.find(frame, name, TextComponent.class);
            return field == null ? null : field.getText();
        });
    }

    /** Opens the non-modal "AWT dialog" owned by the AWT window. */
    public static void showDialog() {
        EventThread.run(() -> {
            if (frame == null) {
                throw new IllegalStateException("the AWT window is not open");
            }
            if (dialog == null) {
                dialog = createDialog(frame);
            }
            dialog.setVisible(true);
        });
        EventThread.settle();
    }

    public static void hideDialog() {
        EventThread.run(() -> {
            if (dialog != null) {
                dialog.setVisible(false);
            }
        });
        EventThread.settle();
    }

    private static synchronized void okPressed() {
        ++okCount;
    }

    private static Frame createFrame() {
        Frame awt = new Frame("AWT sample");
        awt.setName("awtFrame");
        awt.setLayout(null);
        awt.setBounds(620, 80, 360, 240);
        // Below any frame insets a window manager might add.
        place(awt, named(new Label("Code:"), "codeLabel"), 20, 50, 80, 24);
        place(awt, named(new TextField(), "code"), 110, 50, 200, 24);
        Button ok = named(new Button("OK"), "ok");
        ok.addActionListener(e -> okPressed());
        place(awt, ok, 110, 90, 90, 28);
        Button off = named(new Button("Off"), "off");
        off.setEnabled(false);
        place(awt, off, 210, 90, 90, 28);
        closeOnRequest(awt);
        return awt;
    }

    private static Dialog createDialog(Frame owner) {
        Dialog awtDialog = new Dialog(owner, "AWT dialog", false);
        awtDialog.setName("awtDialog");
        awtDialog.setLayout(null);
        place(awtDialog, new Label("Details"), 20, 40, 160, 24);
        awtDialog.setBounds(650, 150, 200, 100);
        closeOnRequest(awtDialog);
        return awtDialog;
    }

    // Plain AWT windows ignore the close box unless told what to do; disposing the last window
    // lets the JVM end when the sample runs on its own.
    private static void closeOnRequest(Window window) {
        window.addWindowListener(new WindowAdapter() {
            @Override
            public void windowClosing(WindowEvent e) {
                window.dispose();
            }
        });
    }

    private static <T extends Component> T named(T component, String name) {
        component.setName(name);
        return component;
    }

    private static void place(Container parent, Component child, int x, int y, int w, int h) {
        child.setBounds(x, y, w, h);
        parent.add(child);
    }
}
