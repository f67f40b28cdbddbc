import leafweaver.DoubleTap;

class DoubleTapTests {
	public static function run(c:Check) {
		c.group("double tap");
		c.test("a second press soon and near is a double tap, once", function() {
			var d = new DoubleTap();
			c.that(!d.isSecond(0.1, 100, 100), "a first press is not");
			d.tapped(1.0, 100, 100);
			c.that(d.isSecond(1.2, 120, 110), "soon and near");
			c.that(!d.isSecond(1.25, 120, 110), "a third press starts again");
		});
		c.test("too late or too far makes two single taps", function() {
			var d = new DoubleTap();
			d.tapped(1.0, 100, 100);
			c.that(!d.isSecond(1.0 + DoubleTap.INTERVAL + 0.05, 100, 100), "too late");
			d.tapped(2.0, 100, 100);
			c.that(!d.isSecond(2.1, 100 + DoubleTap.REACH + 1, 100), "too far");
		});
		c.test("a double tap zooms in from the whole book and back out from any zoom", function() {
			c.equal(2, DoubleTap.toggledLevel(0), "in");
			c.equal(0, DoubleTap.toggledLevel(2), "out");
			c.equal(0, DoubleTap.toggledLevel(4), "out from the closest");
		});
	}
}
