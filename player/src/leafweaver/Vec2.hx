package leafweaver;

/** A point or a vector in book coordinates. */
class Vec2 {
	public var x:Float;
	public var y:Float;

	public inline function new(x:Float = 0, y:Float = 0) {
		this.x = x;
		this.y = y;
	}

	public inline function clone():Vec2
		return new Vec2(x, y);
}
