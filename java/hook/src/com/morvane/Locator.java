package com.morvane;

import java.awt.Button;
import java.awt.Component;
import java.awt.Container;
import java.awt.Dialog;
import java.awt.Frame;
import java.awt.Label;
import java.awt.Window;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.regex.Pattern;
import javax.swing.AbstractButton;
import javax.swing.JLabel;

/**
 * A name for a component that survives another window order and small layout changes, unlike its
 * path: its window, then the component within it, each as {@code key="value"} pairs, the two parts
 * joined by {@code " >> "}:
 *
 * <pre>window name="loginFrame" &gt;&gt; name="user"
 * window title="Sign in" &gt;&gt; class="javax.swing.JTextField" label="User name:"
 * window class="javax.swing.JFrame" &gt;&gt; class="javax.swing.JButton" text="OK"
 * window title="Sign in" &gt;&gt; class="javax.swing.JTextField" index=2 under="details"</pre>
 *
 * The window goes by its name, else its title, else its class. The component goes by the first of
 * these that names it alone in its window: its name; its class and the text of its label
 * ({@code JLabel.getLabelFor}, else the label just before it in its container); a button's class
 * and text; its class and its index among the components of that class under its nearest named
 * ancestor (depth first); last, {@code path="/i/j"} from the window. Names that AWT makes up
 * ("frame0", "panel3") depend on creation order and are not used. Values escape {@code "} and
 * {@code \} with a backslash.
 */
final class Locator {
    static final String SEPARATOR = " >> ";
    private static final Pattern MADE_UP_NAME = Pattern.compile(
            "(frame|dialog|win|panel|canvas|button|label|textfield|textarea|checkbox|choice|list|scrollbar"
                    + "|scrollpane|menubar|menu|menuitem|popup|filedlg)\\d+");

    private Locator() {
    }

    /** The locator of {@code component}; null for null. Reads the UI: call on the event thread. */
    static String of(Component component) {
        if (component == null) {
            return null;
        }
        Window window = component instanceof Window ? (Window) component : windowOf(component);
        if (window == null) {
            return null;
        }
        String windowPart = windowPart(window);
        return component == window ? windowPart : windowPart + SEPARATOR + componentPart(window, component);
    }

    /** The component that a locator or a path ("/0/1") names; null when none or malformed. */
    static Component find(String text) {
        if (text != null && text.startsWith("/")) {
            return ComponentPath.find(text);
        }
        List<Map<String, String>> parts = parse(text);
        return parts == null ? null : EventThreadRead.read(() -> resolve(parts));
    }

    static Window windowOf(Component component) {
        Component c = component;
        while (c != null && !(c instanceof Window)) {
            c = c.getParent();
        }
        return (Window) c;
    }

    static String explicitName(Component component) {
        String name = component.getName();
        return name == null || name.isEmpty() || MADE_UP_NAME.matcher(name).matches() ? null : name;
    }

    private static String windowPart(Window window) {
        String name = explicitName(window);
        if (name != null) {
            return "window" + pair("name", name);
        }
        String title = titleOf(window);
        return "window" + (title != null && !title.isEmpty() ? pair("title", title) : pair("class", className(window)));
    }

    private static String componentPart(Window window, Component component) {
        List<Component> all = descendants(window);
        String name = explicitName(component);
        if (name != null && count(all, c -> name.equals(explicitName(c))) == 1) {
            return pair("name", name).trim();
        }
        String cls = className(component);
        String label = labelOf(component);
        if (label != null && count(all, c -> cls.equals(className(c)) && label.equals(labelOf(c))) == 1) {
            return (pair("class", cls) + pair("label", label)).trim();
        }
        String text = buttonText(component);
        if (text != null && count(all, c -> cls.equals(className(c)) && text.equals(buttonText(c))) == 1) {
            return (pair("class", cls) + pair("text", text)).trim();
        }
        Component anchor = namedAncestor(component, window);
        List<Component> sameClass = new ArrayList<>();
        for (Component c : descendants(anchor)) {
            if (cls.equals(className(c))) {
                sameClass.add(c);
            }
        }
        String under = anchor == window ? "" : pair("under", explicitName(anchor));
        return (pair("class", cls) + " index=" + sameClass.indexOf(component) + under).trim();
    }

    private static Component resolve(List<Map<String, String>> parts) {
        Map<String, String> w = parts.get(0);
        for (Window window : AccessibilityMonitor.topLevelWindows()) {
            boolean match = w.containsKey("name") ? w.get("name").equals(explicitName(window))
                    : w.containsKey("title") ? w.get("title").equals(titleOf(window))
                    : w.containsKey("class") && w.get("class").equals(className(window));
            if (match) {
                return parts.size() == 1 ? window : within(window, parts.get(1));
            }
        }
        return null;
    }

    private static Component within(Window window, Map<String, String> part) {
        if (part.containsKey("path")) {
            int[] indexes = ComponentPath.parse(part.get("path"));
            return indexes == null ? null : ComponentPath.follow(window, indexes, 0);
        }
        String name = part.get("name");
        String cls = part.get("class");
        String label = part.get("label");
        String text = part.get("text");
        String index = part.get("index");
        Container anchor = window;
        if (part.containsKey("under")) {
            anchor = null;
            for (Component c : descendants(window)) {
                if (c instanceof Container && part.get("under").equals(explicitName(c))) {
                    anchor = (Container) c;
                    break;
                }
            }
            if (anchor == null) {
                return null;
            }
        }
        int seen = 0;
        for (Component c : descendants(anchor)) {
            if (name != null && !name.equals(explicitName(c)) || cls != null && !cls.equals(className(c))
                    || label != null && !label.equals(labelOf(c)) || text != null && !text.equals(buttonText(c))) {
                continue;
            }
            if (index == null || Integer.toString(seen++).equals(index)) {
                return c;
            }
        }
        return null;
    }

    /** The parts of a locator (the window's first), or null unless it is one. */
    static List<Map<String, String>> parse(String text) {
        if (text == null || !text.startsWith("window")) {
            return null;
        }
        String[] parts = text.split(Pattern.quote(SEPARATOR), -1);
        if (parts.length > 2) {
            return null;
        }
        List<Map<String, String>> parsed = new ArrayList<>();
        for (int i = 0; i < parts.length; ++i) {
            Map<String, String> pairs = pairs(i == 0 ? parts[0].substring("window".length()) : parts[i]);
            if (pairs == null || pairs.isEmpty()) {
                return null;
            }
            parsed.add(pairs);
        }
        return parsed;
    }

    // key="value" (backslash escapes) or key=digits, separated by spaces.
    private static Map<String, String> pairs(String text) {
        Map<String, String> pairs = new LinkedHashMap<>();
        int i = 0;
        while (i < text.length()) {
            if (text.charAt(i) == ' ') {
                ++i;
                continue;
            }
            int equals = text.indexOf('=', i);
            if (equals <= i) {
                return null;
            }
            String key = text.substring(i, equals);
            StringBuilder value = new StringBuilder();
            i = equals + 1;
            if (i < text.length() && text.charAt(i) == '"') {
                for (++i; i < text.length() && text.charAt(i) != '"'; ++i) {
                    if (text.charAt(i) == '\\' && i + 1 < text.length()) {
                        ++i;
                    }
                    value.append(text.charAt(i));
                }
                if (i >= text.length()) {
                    return null;  // no closing quote
                }
                ++i;
            } else {
                while (i < text.length() && Character.isDigit(text.charAt(i))) {
                    value.append(text.charAt(i++));
                }
                if (value.length() == 0) {
                    return null;
                }
            }
            pairs.put(key, value.toString());
        }
        return pairs;
    }

    private static String pair(String key, String value) {
        return " " + key + "=\"" + value.replace("\\", "\\\\").replace("\"", "\\\"") + "\"";
    }

    private static String className(Component c) {
        return c.getClass().getName();
    }

    private static String titleOf(Window window) {
        return window instanceof Frame ? ((Frame) window).getTitle()
                : window instanceof Dialog ? ((Dialog) window).getTitle() : null;
    }

    private static String buttonText(Component c) {
        String text = c instanceof AbstractButton ? ((AbstractButton) c).getText()
                : c instanceof Button ? ((Button) c).getLabel() : null;
        return text == null || text.isEmpty() ? null : text;
    }

    /** The text of the label for {@code c}: a JLabel whose labelFor it is, else the label before it. */
    static String labelOf(Component c) {
        if (c instanceof JLabel || c instanceof Label || buttonText(c) != null) {
            return null;
        }
        Window window = windowOf(c);
        if (window != null) {
            for (Component other : descendants(window)) {
                if (other instanceof JLabel && ((JLabel) other).getLabelFor() == c) {
                    return textOfLabel(other);
                }
            }
        }
        Container parent = c.getParent();
        if (parent == null) {
            return null;
        }
        Component[] siblings = parent.getComponents();
        for (int i = 1; i < siblings.length; ++i) {
            if (siblings[i] == c) {
                return textOfLabel(siblings[i - 1]);
            }
        }
        return null;
    }

    private static String textOfLabel(Component c) {
        String text = c instanceof JLabel ? ((JLabel) c).getText() : c instanceof Label ? ((Label) c).getText() : null;
        return text == null || text.isEmpty() ? null : text;
    }

    private static Component namedAncestor(Component component, Window window) {
        for (Container c = component.getParent(); c != null && c != window; c = c.getParent()) {
            if (explicitName(c) != null) {
                return c;
            }
        }
        return window;
    }

    /** The descendants of {@code root}, depth first in child order, root excluded. */
    private static List<Component> descendants(Component root) {
        List<Component> all = new ArrayList<>();
        if (root instanceof Container) {
            for (Component child : ((Container) root).getComponents()) {
                all.add(child);
                all.addAll(descendants(child));
            }
        }
        return all;
    }

    private static int count(List<Component> components, java.util.function.Predicate<Component> test) {
        int n = 0;
        for (Component c : components) {
            if (test.test(c)) {
                ++n;
            }
        }
        return n;
    }
}
