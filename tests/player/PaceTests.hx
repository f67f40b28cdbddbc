import leafweaver.Pace;

class PaceTests {
	public static function run(c:Check) {
		c.group("frame rate");
		c.test("a book at rest runs at the idle rate", function() {
			var p = new Pace();
			c.equal(Pace.IDLE, p.rate(10, false), "before anything moved");
		});
		c.test("movement raises the rate, which falls back once it has stopped a while", function() {
			var p = new Pace();
			c.equal(Pace.ACTIVE, p.rate(10, true), "while moving");
			c.equal(Pace.ACTIVE, p.rate(10 + Pace.LINGER / 2, false), "just after");
			c.equal(Pace.IDLE, p.rate(10 + Pace.LINGER, false), "a while after");
		});
		c.test("input stirs the book without anything animating", function() {
			var p = new Pace();
			p.stir(5);
			c.equal(Pace.ACTIVE, p.rate(5.1, false), "after a key");
			p.stir(3);
			c.equal(Pace.ACTIVE, p.rate(5.1, false), "an older input does not shorten it");
			c.equal(Pace.IDLE, p.rate(6, false), "later");
		});
	}
}
