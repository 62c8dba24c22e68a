package samples;

import java.awt.Component;
import java.awt.Container;
import javax.swing.JButton;
import javax.swing.JComponent;
import javax.swing.JFrame;
import javax.swing.JLabel;
import javax.swing.JPanel;
import javax.swing.JTextField;
import javax.swing.WindowConstants;

/**
 * A window with exactly N components below its content pane, for measuring tree walks and
 * snapshots of any size: nested JPanels (null layout) with JLabels, JTextFields and JButtons as
 * leaves. The structure depends on N alone: a part of at most {@value #FAN_OUT} components is
 * that many leaves; a larger part is split into {@value #FAN_OUT} nearly equal shares, each a
 * panel holding the rest of its share. Components are numbered in creation order (depth first),
 * which gives their names ("panel7", "label8", "field9", "button10") and texts.
 */
public final class GeneratedApp {
    static final int FAN_OUT = 10;
    private static final int X = 40;
    private static final int Y = 40;
    private static final int WIDTH = 800;
    private static final int HEIGHT = 600;

    private int created;

    private GeneratedApp() {
    }

    public static void main(String[] args) {
        int count = Launch.countArgument(args, "samples.GeneratedApp N   (N = number of components, 0 or more)");
        EventThread.run(() -> create(count).setVisible(true));
        EventThread.settle();
        Launch.announceWindowsOpen();
    }

    /** Must run on the event thread. */
    static JFrame create(int count) {
        JFrame frame = new JFrame("Generated " + count);
        frame.setName("generatedFrame");
        frame.setDefaultCloseOperation(WindowConstants.DISPOSE_ON_CLOSE);
        frame.setBounds(X, Y, WIDTH, HEIGHT);
        JPanel content = new JPanel(null);
        content.setName("content");
        content.setBounds(0, 0, WIDTH, HEIGHT);
        new GeneratedApp().fill(content, count);
        frame.setContentPane(content);
        return frame;
    }

    /** Puts exactly {@code count} components below {@code parent}, laid out in a grid of cells. */
    private void fill(Container parent, int count) {
        if (count <= FAN_OUT) {
            for (int i = 0; i < count; ++i) {
                place(parent, leaf(), i, count);
            }
            return;
        }
        for (int i = 0; i < FAN_OUT; ++i) {
            int share = count / FAN_OUT + (i < count % FAN_OUT ? 1 : 0);
            JPanel panel = named(new JPanel(null), "panel");
            place(parent, panel, i, FAN_OUT);
            fill(panel, share - 1);
        }
    }

    private JComponent leaf() {
        int kind = created % 3;
        if (kind == 0) {
            return named(new JLabel(), "label");
        }
        if (kind == 1) {
            return named(new JTextField(), "field");
        }
        return named(new JButton(), "button");
    }

    private <T extends JComponent> T named(T component, String kind) {
        int number = created++;
        component.setName(kind + number);
        if (component instanceof JLabel) {
            ((JLabel) component).setText("Label " + number);
        } else if (component instanceof JTextField) {
            ((JTextField) component).setText("Text " + number);
        } else if (component instanceof JButton) {
            ((JButton) component).setText("Button " + number);
        }
        return component;
    }

    // Cell `index` of a grid of `cells` cells over the parent's area (set before its children).
    private static void place(Container parent, Component child, int index, int cells) {
        int columns = (int) Math.ceil(Math.sqrt(cells));
        int rows = (cells + columns - 1) / columns;
        int width = parent.getWidth() / columns;
        int height = parent.getHeight() / rows;
        child.setBounds(index % columns * width, index / columns * height, width, height);
        parent.add(child);
    }
}
