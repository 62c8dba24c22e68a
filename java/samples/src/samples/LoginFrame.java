package samples;

import java.awt.Component;
import java.awt.Container;
import java.util.function.BiConsumer;
import javax.swing.JButton;
import javax.swing.JComponent;
import javax.swing.JFrame;
import javax.swing.JLabel;
import javax.swing.JPanel;
import javax.swing.JPasswordField;
import javax.swing.JTextField;
import javax.swing.WindowConstants;

/**
 * Builds the Swing login window. Every container uses a null layout with fixed bounds, so the
 * positions that hit-tests and window matching rely on do not depend on fonts or look and feel.
 */
final class LoginFrame {
    static final String TITLE = "Sign in";
    static final int X = 100;
    static final int Y = 80;
    static final int WIDTH = 480;
    static final int HEIGHT = 360;

    private LoginFrame() {
    }

    /** Must run on the event thread; {@code onSignIn} receives the user name and password. */
    static JFrame create(BiConsumer<String, String> onSignIn) {
        JFrame frame = new JFrame(TITLE);
        frame.setName("loginFrame");
        frame.setDefaultCloseOperation(WindowConstants.DISPOSE_ON_CLOSE);
        frame.setBounds(X, Y, WIDTH, HEIGHT);

        JPanel content = new JPanel(null);
        content.setName("content");
        content.add(credentials(onSignIn));
        content.add(details());
        frame.setContentPane(content);
        return frame;
    }

    private static JPanel credentials(BiConsumer<String, String> onSignIn) {
        JPanel panel = panel("credentials", 0, 0, 470, 120);
        JTextField user = named(new JTextField(), "user");
        JPasswordField password = named(new JPasswordField(), "password");
        JButton signIn = named(new JButton("Sign in"), "signIn");
        signIn.addActionListener(
                e -> onSignIn.accept(user.getText(), new String(password.getPassword())));
        place(panel, named(new JLabel("User name:"), "userLabel"), 10, 10, 100, 24);
        place(panel, user, 120, 10, 200, 24);
        place(panel, named(new JLabel("Password:"), "passwordLabel"), 10, 40, 100, 24);
        place(panel, password, 120, 40, 200, 24);
        place(panel, signIn, 120, 75, 100, 28);
        return panel;
    }

    // Two rows of three fields, added row by row: tests read rows and columns from them.
    private static JPanel details() {
        JPanel panel = panel("details", 0, 130, 470, 80);
        int[] xs = {10, 120, 230};
        int[] ys = {10, 40};
        for (int row = 0; row < ys.length; ++row) {
            for (int column = 0; column < xs.length; ++column) {
                String name = "r" + (row + 1) + "c" + (column + 1);
                place(panel, named(new JTextField(), name), xs[column], ys[row], 100, 24);
            }
        }
        return panel;
    }

    private static JPanel panel(String name, int x, int y, int width, int height) {
        JPanel panel = named(new JPanel(null), name);
        panel.setBounds(x, y, width, height);
        return panel;
    }

    private static <T extends JComponent> T named(T component, String name) {
        component.setName(name);
        return component;
    }

    private static void place(Container parent, Component child, int x, int y, int w, int h) {
        child.setBounds(x, y, w, h);
        parent.add(child);
    }
}
