import leafweaver.Action;
import leafweaver.KeyMap;

class KeyMapTests {
	public static function run(c:Check) {
		c.group("keys");
		c.test("arrows and page keys turn; Home and End go to the ends", function() {
			for (k in [37, 38, 33])
				c.that(KeyMap.actionOf(k) == Previous, "key " + k + " goes back");
			for (k in [39, 40, 34])
				c.that(KeyMap.actionOf(k) == Next, "key " + k + " goes on");
			c.that(KeyMap.actionOf(36) == First && KeyMap.actionOf(35) == Last, "Home and End");
		});
		c.test("a right-to-left book swaps the left and right arrows only", function() {
			c.that(KeyMap.actionOf(37, true) == Next, "left goes on");
			c.that(KeyMap.actionOf(39, true) == Previous, "right goes back");
			for (k in [38, 33])
				c.that(KeyMap.actionOf(k, true) == Previous, "key " + k + " goes back");
			for (k in [40, 34])
				c.that(KeyMap.actionOf(k, true) == Next, "key " + k + " goes on");
			c.that(KeyMap.actionOf(36, true) == First && KeyMap.actionOf(35, true) == Last, "Home and End");
		});
		c.test("letters, digits and Enter are not the book's", function() {
			for (k in [13, 32].concat([for (k in 48...58) k]).concat([for (k in 65...91) k]))
				c.that(KeyMap.actionOf(k) == null, "key " + k);
		});
	}
}
