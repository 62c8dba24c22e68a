package samples;

import java.awt.AWTException;
import java.awt.Component;
import java.awt.Point;
import java.awt.Robot;
import java.awt.event.InputEvent;
import java.awt.event.KeyEvent;
import javax.swing.JFrame;

/**
 * A person's hand on the login window: real mouse and key events through {@link Robot} on the
 * display, so the application sees what it would see from a user (focus, keys, clicks).
 */
public final class RobotHand {
    private static final int DELAY_MILLIS = 15;

    /** An object to call the static methods through. */
    public RobotHand() {
    }

    /**
     * Clicks into the user name field, types {@code user}, does the same with the password field
     * and {@code password}, and clicks "Sign in". Letters and digits. Answers "done", or what
     * failed (the display takes no robot, a component is not showing).
     */
    public static String signIn(String user, String password) {
        try {
            Robot robot = new Robot();
            robot.setAutoDelay(DELAY_MILLIS);
            JFrame frame = EventThread.call(LoginApp::loginFrame);
            EventThread.run(frame::toFront);
            robot.waitForIdle();
            boolean done = clickAndType(robot, frame, "user", user) && clickAndType(robot, frame, "password", password)
                    && click(robot, frame, "signIn");
            return done ? "done" : "a component of the login window is not showing";
        } catch (AWTException | RuntimeException e) {
            return "no robot: " + e;
        }
    }

    private static boolean clickAndType(Robot robot, JFrame frame, String name, String text) {
        if (!click(robot, frame, name)) {
            return false;
        }
        for (char c : text.toCharArray()) {
            type(robot, c);
        }
        robot.waitForIdle();
        return true;
    }

    private static boolean click(Robot robot, JFrame frame, String name) {
        Point center = EventThread.call(() -> {
            Component c = Components.find(frame.getContentPane(), name, Component.class);
            if (c == null || !c.isShowing()) {
                return null;
            }
            Point p = c.getLocationOnScreen();
            return new Point(p.x + c.getWidth() / 2, p.y + c.getHeight() / 2);
        });
        if (center == null) {
            return false;
        }
        robot.mouseMove(center.x, center.y);
        robot.mousePress(InputEvent.BUTTON1_DOWN_MASK);
        robot.mouseRelease(InputEvent.BUTTON1_DOWN_MASK);
        robot.waitForIdle();
        return true;
    }

    /** Types one letter (either case) or digit. */
    private static void type(Robot robot, char c) {
        int code = KeyEvent.getExtendedKeyCodeForChar(Character.toLowerCase(c));
        boolean shift = Character.isUpperCase(c);
        if (shift) {
            robot.keyPress(KeyEvent.VK_SHIFT);
        }
        robot.keyPress(code);
        robot.keyRelease(code);
        if (shift) {
            robot.keyRelease(KeyEvent.VK_SHIFT);
        }
    }
}
