package samples;

import java.awt.Rectangle;
import java.awt.event.WindowAdapter;
import java.awt.event.WindowEvent;
import javax.swing.JDialog;
import javax.swing.JFrame;
import javax.swing.JLabel;
import javax.swing.JPasswordField;
import javax.swing.text.JTextComponent;

/**
 * Swing sample application: a login window, plus static controls and observables through which
 * tests drive it from any thread. Window fields are touched only on the event thread.
 */
public final class LoginApp {
    private static JFrame frame;
    private static JDialog dialog;
    private static JFrame twin;
    private static JFrame untitled;

    private static String lastSignIn;
    private static int signInCount;
    private static int windowOpenedEvents;

    /**
     * A client reaches the static members below through an instance (NewDefJavaObject): the
     * bridge looks static members up in the class of the object a handle names.
     */
    public LoginApp() {
    }

    public static void main(String[] args) {
        open();
        Launch.announceWindowsOpen();
    }

    /** Shows the login window and returns once it is showing and listed as opened. */
    static void open() {
        EventThread.run(() -> {
            if (frame == null) {
                frame = LoginFrame.create(LoginApp::signedIn);
                frame.addWindowListener(new WindowAdapter() {
                    @Override
                    public void windowOpened(WindowEvent e) {
                        countWindowOpened();
                    }
                });
            }
            frame.setVisible(true);
        });
        EventThread.settle();
    }

    /** "user|password" of the last "Sign in" action, null before the first. */
    public static synchronized String lastSignIn() {
        return lastSignIn;
    }

    public static synchronized int signInCount() {
        return signInCount;
    }

    /** "Window opened" events that the login window's own listener received: 1 once it is open. */
    public static synchronized int windowOpenedEvents() {
        return windowOpenedEvents;
    }

    private static synchronized void countWindowOpened() {
        ++windowOpenedEvents;
    }

    /** Opens the modal "Confirm" dialog owned by the login window, not waiting for it to close. */
    public static void showDialog() {
        JDialog shown = EventThread.call(() -> {
            if (dialog == null) {
                dialog = confirmDialog(loginFrame());
            }
            return dialog;
        });
        EventThread.showModal(shown);
    }

    public static void hideDialog() {
        EventThread.run(() -> {
            if (dialog != null) {
                dialog.setVisible(false);
            }
        });
        EventThread.settle();
    }

    /** Opens a second frame, "Twin", at exactly the login window's bounds. */
    public static void openTwin() {
        EventThread.run(() -> {
            if (twin == null) {
                twin = new JFrame("Twin");
                twin.setName("twinFrame");
                twin.setDefaultCloseOperation(JFrame.DISPOSE_ON_CLOSE);
            }
            twin.setBounds(loginFrame().getBounds());
            twin.setVisible(true);
        });
        EventThread.settle();
    }

    public static void closeTwin() {
        EventThread.run(() -> twin = dispose(twin));
        EventThread.settle();
    }

    /** Opens a frame whose title is null (the frame constructor keeps a null title as it is). */
    public static void openUntitled() {
        EventThread.run(() -> {
            if (untitled == null) {
                untitled = new JFrame((String) null);
                untitled.setName("untitledFrame");
                untitled.setDefaultCloseOperation(JFrame.DISPOSE_ON_CLOSE);
                untitled.setBounds(700, 500, 200, 100);
            }
            untitled.setVisible(true);
        });
        EventThread.settle();
    }

    public static void closeUntitled() {
        EventThread.run(() -> untitled = dispose(untitled));
        EventThread.settle();
    }

    /**
     * Widens the "user" field by one pixel and back, which produces component (resize) events,
     * and returns once they have been dispatched.
     */
    public static void nudge() {
        EventThread.run(() -> {
            JTextComponent user =
                    Components.find(loginFrame().getContentPane(), "user", JTextComponent.class);
            Rectangle bounds = user.getBounds();
            user.setSize(bounds.width + 1, bounds.height);
            user.setBounds(bounds);
        });
        EventThread.settle();
    }

    /** Current text of the login window's text field named {@code componentName}, or null. */
    public static String text(String componentName) {
        return EventThread.call(() -> {
            JTextComponent field = field(componentName);
            if (field instanceof JPasswordField) {
                return new String(((JPasswordField) field).getPassword());
            }
            return field == null ? null : field.getText();
        });
    }

    private static synchronized void signedIn(String user, String password) {
        lastSignIn = user + "|" + password;
        ++signInCount;
        // What a user of the real application would see: who signed in (never the password).
        System.out.println("signed in: user \"" + user + "\", password of " + password.length() + " characters");
        System.out.flush();
    }

    static JFrame loginFrame() {
        if (frame == null) {
            throw new IllegalStateException("the login window is not open");
        }
        return frame;
    }

    private static JTextComponent field(String name) {
        if (frame == null) {
            return null;
        }
        return Components.find(frame.getContentPane(), name, JTextComponent.class);
    }

    private static JDialog confirmDialog(JFrame owner) {
        JDialog confirm = new JDialog(owner, "Confirm", true);
        confirm.setName("confirmDialog");
        confirm.setLayout(null);
        JLabel question = new JLabel("Continue signing in?");
        question.setBounds(10, 10, 260, 24);
        confirm.add(question);
        confirm.setBounds(150, 150, 300, 150);
        return confirm;
    }

    private static JFrame dispose(JFrame window) {
        if (window != null) {
            window.dispose();
        }
        return null;
    }
}
